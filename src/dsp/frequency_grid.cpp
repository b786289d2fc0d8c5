#include "dsp/frequency_grid.h"

#include <cmath>
#include <cstddef>

namespace dsp {

bool BuildFrequencyGrid(double fs, std::span<double> grid) {
    const std::size_t n = grid.size();
    if (n < 2 || !std::isfinite(fs) || fs <= 0.0) {
        return false;
    }
    const double step = std::log10(fs / 2) / static_cast<double>(n - 1);
    for (std::size_t i = 1; i < n; ++i) {
        grid[i - 1] = std::pow(10.0, static_cast<double>(i) * step);
    }
    // pow() may miss fs/2 by an ulp; the evaluators need it exact to put Nyquist at pi.
    grid[n - 2] = fs / 2;
    grid[n - 1] = fs;
    return true;
}

}  // namespace dsp
