#pragma once
// The last computed response of each output (grid and summed dB curve), redrawn by the graph.

#include <array>
#include <span>

#include "model/constants.h"
#include "model/profile_record.h"

namespace model {

class ChannelCurves {
  public:
    ChannelCurves();

    // Recomputes one output from the record: its crossover, its bands and its EQ bypass
    // ("bypass" 1 draws the bands flat). Nothing changes for an index outside 0..11 or an
    // output without bands.
    void UpdateChannelCurve(const ProfileRecord& record, int output);
    void UpdateAll(const ProfileRecord& record);

    // Empty spans for an index outside 0..11.
    std::span<const double> Grid(int output) const;
    std::span<const double> Sum(int output) const;

  private:
    struct Curve {
        std::array<double, CURVE_POINTS> grid{};
        std::array<double, CURVE_POINTS> sum{};
    };
    std::array<Curve, OUTPUT_CHANNELS> mCurves;
};

}  // namespace model
