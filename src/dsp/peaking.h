#pragma once

#include <span>

#include "dsp/biquad.h"

namespace dsp {

// Peaking band of gain `gain` dB at f0 Hz, sample rate fs. The gain is reached exactly at f0;
// the lower band edge, where the power gain is (1 + A^2) / 2 with A = 10^(gain / 20), lies
// at f0 * (sqrt(4 Q^2 + 1) - 1) / (2 Q). A cut is the exact inverse of the boost of the same
// size, and 0 dB gives b == a. Parameters that yield no finite design (Q or f0 of 0, NaN)
// give the flat section.
Biquad DesignPeakingBiquad(double fs, double f0, double gain, double q);

// dB curve of that band on the grid. Returns false when db.size() differs from grid.size() or
// the grid has fewer than 2 points.
bool PeakingCurve(double fs, double f0, double gain, double q, std::span<const double> grid,
                  std::span<double> db);

}  // namespace dsp
