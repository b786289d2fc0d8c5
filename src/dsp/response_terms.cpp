#include "dsp/response_terms.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/curve_constants.h"

namespace dsp::detail {

namespace {

// Range of the running product; beyond it the product is folded into the dB part.
constexpr double kRenormHigh = 1e100;
constexpr double kRenormLow = 1e-100;

// An unevaluated sum hi + lo, enough to add a few doubles without any rounding.
struct Exact {
    double hi = 0.0;
    double lo = 0.0;
};

Exact Add(Exact a, Exact b) {
    // TwoSum: s + e == a.hi + b.hi exactly.
    const double s = a.hi + b.hi;
    const double bb = s - a.hi;
    const double e = (a.hi - (s - bb)) + (b.hi - bb);
    const double lo = e + a.lo + b.lo;
    const double hi = s + lo;
    return {hi, lo - (hi - s)};
}

}  // namespace

void ShiftToDc(std::span<double> p) {
    // The shifted constant term is p(1), tiny next to the coefficients when a section has a
    // pole or zero near DC: the sums are carried exactly and rounded once at the end.
    std::array<Exact, kMaxShiftTerms> r{};
    const std::size_t n = std::min(p.size(), r.size());
    for (std::size_t j = 0; j < n; ++j) {
        r[j].hi = p[j];
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (std::size_t j = n - 1; j-- > i;) {
            r[j] = Add(r[j], r[j + 1]);
        }
    }
    for (std::size_t j = 0; j < n; ++j) {
        p[j] = r[j].hi + r[j].lo;
    }
}

double GridAngle(double f, double nyquist) {
    return std::numbers::pi * f / nyquist;
}

Step StepFromDc(double omega) {
    // cos(omega) - 1 = -2 sin^2(omega / 2), without the cancellation.
    const double sh = std::sin(omega / 2);
    const double ch = std::cos(omega / 2);
    return {-2 * sh * sh, -2 * sh * ch};
}

ShiftedBiquad ShiftBiquad(const Biquad& s) {
    ShiftedBiquad out{{s.b0, s.b1, s.b2}, {1.0, s.a1, s.a2}};
    ShiftToDc(out.num);
    ShiftToDc(out.den);
    return out;
}

GridTerms::GridTerms(std::span<const double> grid)
    : mWr(grid.size()), mWi(grid.size()), mW2r(grid.size()), mW2i(grid.size()) {
    const double nyquist = grid[grid.size() - 2];
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const Step w = StepFromDc(GridAngle(grid[i], nyquist));
        mWr[i] = w.re;
        mWi[i] = w.im;
        mW2r[i] = w.re * w.re - w.im * w.im;
        mW2i[i] = 2 * w.re * w.im;
    }
}

void PowerSum::AddSection(const GridTerms& t, const ShiftedBiquad& s) {
    const auto [n0, n1, n2] = s.num;
    const auto [d0, d1, d2] = s.den;
    double* power = mPower.data();
    double* db = mDb.data();
    const double* wr = t.mWr.data();
    const double* wi = t.mWi.data();
    const double* w2r = t.mW2r.data();
    const double* w2i = t.mW2i.data();
    // Straight-line arithmetic, so that the compiler can run several points at once.
    for (std::size_t i = 0; i < mPower.size(); ++i) {
        const double nr = n0 + n1 * wr[i] + n2 * w2r[i];
        const double ni = n1 * wi[i] + n2 * w2i[i];
        const double dr = d0 + d1 * wr[i] + d2 * w2r[i];
        const double di = d1 * wi[i] + d2 * w2i[i];
        const double m = (nr * nr + ni * ni) / (dr * dr + di * di);
        // Selects written as arithmetic: 1 keeps the section, 0 floors it (NaN too).
        const double capped = m < kCeilingPower ? m : kCeilingPower;  // never NaN
        const double keep = m > kFloorPower ? 1.0 : 0.0;
        power[i] *= keep * capped + (1.0 - keep);
        db[i] += (1.0 - keep) * kFloorDb;
    }
    // Each section moves a point by a factor in (1e-8, 1e40]: four of them cannot take a
    // product that starts inside [1e-100, 1e100] out of the double range.
    if (++mSinceFold == 4) {
        mSinceFold = 0;
        for (std::size_t i = 0; i < mPower.size(); ++i) {
            if (power[i] > kRenormHigh || power[i] < kRenormLow) {
                db[i] += 10 * std::log10(power[i]);
                power[i] = 1.0;
            }
        }
    }
}

void PowerSum::WriteDb(std::span<double> db) const {
    for (std::size_t i = 0; i < db.size(); ++i) {
        db[i] = 10 * std::log10(mPower[i]) + mDb[i];
    }
}

}  // namespace dsp::detail
