#pragma once
// What differs between two whole tunings, output by output: for the A/B slots' marks on the
// output strips and for tests.

#include <vector>

#include "model/profile_record.h"

namespace model {

struct OutputDifference {
    bool gain = false;
    bool delay = false;
    bool mute = false;
    bool phase = false;
    bool crossover = false;
    // Speaker type, solo, EQ bypass, band count or compressor.
    bool other = false;
    // Bands (within either record's band count) whose values differ, ascending.
    std::vector<int> bands;

    bool Any() const {
        return gain || delay || mute || phase || crossover || other || !bands.empty();
    }
    bool operator==(const OutputDifference&) const = default;
};

struct AbDifferences {
    PerOutput<OutputDifference> outputs{};

    // The outputs that differ, ascending.
    std::vector<int> Outputs() const;
    bool operator==(const AbDifferences&) const = default;
};

AbDifferences CompareTunings(const ProfileRecord& a, const ProfileRecord& b);

}  // namespace model
