#include "model/calibration_figures.h"

#include <algorithm>
#include <cmath>

namespace model {

DeviationFigures Deviation(std::span<const double> freqs, std::span<const double> db) {
    const size_t n = std::min(freqs.size(), db.size());
    auto inside = [&](size_t i) {
        return std::isfinite(freqs[i]) && std::isfinite(db[i]) && freqs[i] >= FIGURES_LOW_HZ &&
               freqs[i] <= FIGURES_HIGH_HZ;
    };
    DeviationFigures figures;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        if (inside(i)) {
            sum += db[i];
            ++figures.points;
        }
    }
    if (figures.points == 0) {
        return figures;
    }
    const double mean = sum / figures.points;
    double squares = 0;
    for (size_t i = 0; i < n; ++i) {
        if (inside(i)) {
            const double d = db[i] - mean;
            squares += d * d;
            figures.maximum = std::max(figures.maximum, std::abs(d));
        }
    }
    figures.rms = std::sqrt(squares / figures.points);
    return figures;
}

}  // namespace model
