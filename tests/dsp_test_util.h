#pragma once
// Helpers for the dsp tests: curves at chosen frequencies and a plain complex evaluation of
// designed sections.

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "dsp/crossover.h"

namespace dsptest {

inline constexpr double kRate = 48000.0;

// Runs fn(grid, db) on freqs plus the Nyquist and sampling rate the evaluators expect last.
template <typename Fn>
std::vector<double> CurveAt(std::vector<double> freqs, Fn fn) {
    const std::size_t n = freqs.size();
    freqs.insert(freqs.end(), {kRate / 2, kRate});
    std::vector<double> db(freqs.size());
    fn(std::span<const double>(freqs), std::span<double>(db));
    db.resize(n);
    return db;
}

inline std::complex<double> Response(const dsp::Biquad& s, double f) {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / kRate);
    return (s.b0 + z1 * (s.b1 + z1 * s.b2)) / (1.0 + z1 * (s.a1 + z1 * s.a2));
}

inline std::complex<double> SideResponse(int lp, double fc, int slope, int type, double f) {
    const dsp::CrossoverSections s = dsp::DesignCrossoverSections(lp, fc, slope, type);
    std::complex<double> h = 1.0;
    for (int k = 0; k < 4; ++k) {
        h *= Response(dsp::CrossoverSectionBiquad(s, k, lp), f);
    }
    return h;
}

// Damping d of a second-order section, from q = (2 - d sin W) / (2 + d sin W).
inline double Damping(const dsp::CrossoverSections& s, int k) {
    return 2 * (1 - s.q[k]) / ((1 + s.q[k]) * std::sqrt(1 - s.c[k] * s.c[k]));
}

}  // namespace dsptest
