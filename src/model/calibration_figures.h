#pragma once
// How flat a measured response is: its deviation from its own mean level over the band where
// a room correction is judged (100 Hz to 10 kHz), before and after a correction.

#include <span>

namespace model {

inline constexpr double FIGURES_LOW_HZ = 100.0;
inline constexpr double FIGURES_HIGH_HZ = 10000.0;

struct DeviationFigures {
    double rms = 0;      // dB, root mean square of (level - mean)
    double maximum = 0;  // dB, the largest |level - mean|
    int points = 0;      // points that fell inside the band; 0 leaves the figures meaningless
};

// Over the points of freqs/db (equal lengths) inside 100 Hz..10 kHz, each weighted alike;
// non-finite values are left out.
DeviationFigures Deviation(std::span<const double> freqs, std::span<const double> db);

}  // namespace model
