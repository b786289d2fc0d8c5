#include "dsp/cascade.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

#include "dsp/curve_constants.h"
#include "dsp/response_terms.h"

namespace dsp {

namespace {

std::complex<double> Horner(std::span<const double> c, std::complex<double> w) {
    std::complex<double> acc = c.back();
    for (std::size_t k = c.size() - 1; k-- > 0;) {
        acc = acc * w + c[k];
    }
    return acc;
}

}  // namespace

bool EvaluateCascade(std::span<const double> num, std::span<const double> den, int order,
                     int sections, std::span<const double> grid, std::span<double> db,
                     std::span<double> phase) {
    const std::size_t n = grid.size();
    if (order < 1 || order > kMaxCascadeOrder || sections < 0 || n < 2 || db.size() != n ||
        (!phase.empty() && phase.size() != n)) {
        return false;
    }
    const std::size_t width = static_cast<std::size_t>(order) + 1;
    const std::size_t count = static_cast<std::size_t>(sections);
    if (num.size() < count * width || den.size() < count * (width - 1)) {
        return false;
    }

    // Every row re-expanded around DC: [section][power].
    std::vector<double> shiftedNum(count * width);
    std::vector<double> shiftedDen(count * width);
    for (std::size_t s = 0; s < count; ++s) {
        std::span<double> b(&shiftedNum[s * width], width);
        std::span<double> a(&shiftedDen[s * width], width);
        std::copy_n(&num[s * width], width, b.begin());
        a[0] = 1.0;
        std::copy_n(&den[s * (width - 1)], width - 1, a.begin() + 1);
        detail::ShiftToDc(b);
        detail::ShiftToDc(a);
    }

    const double nyquist = grid[n - 2];
    for (std::size_t i = 0; i < n; ++i) {
        const detail::Step step = detail::StepFromDc(detail::GridAngle(grid[i], nyquist));
        const std::complex<double> w(step.re, step.im);
        double power = 1.0;
        std::complex<double> h = 1.0;
        for (std::size_t s = 0; s < count; ++s) {
            const std::complex<double> b = Horner({&shiftedNum[s * width], width}, w);
            const std::complex<double> a = Horner({&shiftedDen[s * width], width}, w);
            power *= std::norm(b) / std::norm(a);
            if (!phase.empty()) {
                h *= b / a;
            }
        }
        if (power > kFloorPower) {
            db[i] = 10 * std::log10(std::min(power, kCeilingPower));
            if (!phase.empty()) {
                const double angle = std::arg(h);
                phase[i] = std::isfinite(angle) ? angle : 0.0;
            }
        } else {
            db[i] = kFloorDb;
            if (!phase.empty()) {
                phase[i] = 0.0;
            }
        }
    }
    return true;
}

}  // namespace dsp
