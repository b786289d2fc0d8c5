#pragma once

#include <span>

namespace dsp {

inline constexpr int kMaxCascadeOrder = 8;

// Power gain |H|^2 in dB of a cascade of `sections` sections of order `order`, at every grid
// frequency; the sample rate is taken from the Nyquist element grid[n - 2].
// num holds one row b0..bN per section, den one row a1..aN (a0 = 1). A point where |H|^2 is
// at most kFloorPower (or not a number) reads kFloorDb, one above kCeilingPower reads
// kCeilingDb. When phase is not empty it receives arg(H), 0 at floored points.
// Returns false, writing nothing, when the sizes do not fit or the grid has fewer than 2
// points.
bool EvaluateCascade(std::span<const double> num, std::span<const double> den, int order,
                     int sections, std::span<const double> grid, std::span<double> db,
                     std::span<double> phase = {});

}  // namespace dsp
