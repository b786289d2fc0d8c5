#include "dsp/peaking.h"

#include <cmath>
#include <numbers>

#include "dsp/response_terms.h"

namespace dsp {

Biquad DesignPeakingBiquad(double fs, double f0, double gain, double q) {
    // Linear amplitude, not its square root: the gain is the peak height.
    const double amp = std::pow(10.0, gain / 20);
    const double w0 = 2 * std::numbers::pi * f0 / fs;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    // Lower edge of a band f0 / Q wide, geometrically centred on f0.
    const double w1 = w0 * (std::sqrt(4.0 * q * q + 1) - 1) / (2 * q);
    double t = std::sin(w1) * s / (2 * (std::cos(w1) - c));
    if (amp < 1) {
        t = t * amp;
    }
    const double d = 2 * t + s;
    const double a1 = -4 * t * c / d;
    const Biquad out{(2 * t + amp * s) / d, a1, (2 * t - amp * s) / d, a1, (2 * t - s) / d};
    if (!std::isfinite(out.b0) || !std::isfinite(out.b1) || !std::isfinite(out.b2) ||
        !std::isfinite(out.a2)) {
        return Biquad{};
    }
    return out;
}

bool PeakingCurve(double fs, double f0, double gain, double q, std::span<const double> grid,
                  std::span<double> db) {
    if (grid.size() < 2 || db.size() != grid.size()) {
        return false;
    }
    const detail::GridTerms terms(grid);
    detail::PowerSum sum(grid.size());
    sum.AddSection(terms, detail::ShiftBiquad(DesignPeakingBiquad(fs, f0, gain, q)));
    sum.WriteDb(db);
    return true;
}

}  // namespace dsp
