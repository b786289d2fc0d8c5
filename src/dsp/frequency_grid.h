#pragma once

#include <span>

namespace dsp {

// Logarithmic grid of grid.size() frequencies in Hz: 10^(i * step) for i = 1..n-1, ending
// with fs/2 at index n-2, then fs itself at index n-1 (that point evaluates like DC). The
// evaluators take the sample rate from the element at n-2. Needs n >= 2 and fs > 0;
// otherwise returns false and leaves the grid untouched.
bool BuildFrequencyGrid(double fs, std::span<double> grid);

}  // namespace dsp
