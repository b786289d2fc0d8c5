// Properties any correct design has, checked at exact frequencies against filter theory
// rather than against the library's own formulas.

#include <gtest/gtest.h>

#include "dsp/crossover.h"
#include "dsp/curve_constants.h"
#include "dsp/frequency_grid.h"
#include "dsp/peaking.h"
#include "dsp_test_util.h"

namespace {

using dsptest::CurveAt;
using dsptest::kRate;

constexpr double kTight = 1e-9;  // dB
constexpr double kTable = 1e-8;  // the Linkwitz-Riley and Bessel tables carry ten decimals
const double kOctaveDb = 20 * std::log10(2.0);

auto Side(int lp, double fc, int slope, int type) {
    return [=](std::span<const double> g, std::span<double> db) {
        dsp::CrossoverCurve(lp, kRate, fc, slope, type, g, db);
    };
}

auto Peak(double f0, double gain, double q) {
    return [=](std::span<const double> g, std::span<double> db) {
        dsp::PeakingCurve(kRate, f0, gain, q, g, db);
    };
}

TEST(DspPeakingTheory, GainAtCentreMeanPowerAtBandEdgeUnityAtDcAndNyquist) {
    for (double f0 : {20.0, 1000.0, 12345.0, 20000.0}) {
        for (double gain : {-18.0, -3.0, 0.5, 15.0}) {
            for (double q : {0.5, 5.8, 30.0}) {
                // Lower edge of a band f0 / Q wide: power (1 + A^2) / 2 for a boost, the inverse
                // for a cut.
                const double f1 = f0 * (std::sqrt(4 * q * q + 1) - 1) / (2 * q);
                const double a2 = std::pow(10.0, std::abs(gain) / 10);
                const double edge = std::copysign(10 * std::log10((1 + a2) / 2), gain);
                const auto db = CurveAt({f0, f1, 0.0, kRate / 2}, Peak(f0, gain, q));
                EXPECT_NEAR(db[0], gain, kTight) << f0 << " Hz " << gain << " dB Q " << q;
                // cos(w1) - cos(w0) rounds to ~1e-9 dB in a narrow band at 20 Hz.
                EXPECT_NEAR(db[1], edge, 1e-8) << f0 << " Hz " << gain << " dB Q " << q;
                EXPECT_NEAR(db[2], 0.0, kTight);
                EXPECT_NEAR(db[3], 0.0, kTight);
            }
        }
    }
}

// Bilinear Butterworth of order n at f: |H|^2 = 1 / (1 + x^(2n)), x the warped ratio to fc.
double ButterworthDb(int lp, double fc, int n, double f) {
    const double x =
        std::tan(std::numbers::pi * f / kRate) / std::tan(std::numbers::pi * fc / kRate);
    return -10 * std::log10(1 + std::pow(lp == 1 ? x : 1 / x, 2 * n));
}

TEST(DspCrossoverTheory, ButterworthAndLinkwitzRileyFollowTheirClosedForms) {
    std::vector<double> freqs(dsp::CURVE_POINTS);
    dsp::BuildFrequencyGrid(kRate, freqs);
    freqs.resize(dsp::CURVE_POINTS - 2);
    for (int order = 1; order <= 8; ++order) {
        for (double fc : {50.0, 1000.0, 15000.0}) {
            for (int lp : {0, 1}) {
                SCOPED_TRACE(::testing::Message()
                             << "order " << order << " fc " << fc << " lp " << lp);
                // -3.01 dB at the corner for every Butterworth, -6.02 dB for Linkwitz-Riley.
                EXPECT_NEAR(CurveAt({fc}, Side(lp, fc, order, 1))[0], -kOctaveDb / 2, kTight);
                EXPECT_NEAR(CurveAt({fc}, Side(lp, fc, order, 2))[0], -kOctaveDb, kTable);
                // Linkwitz-Riley of order 2m is Butterworth of order m squared.
                const auto bw = CurveAt(freqs, Side(lp, fc, order, 1));
                const auto lr = CurveAt(freqs, Side(lp, fc, 2 * ((order + 1) / 2), 2));
                for (std::size_t i = 0; i < freqs.size(); ++i) {
                    const double expected = ButterworthDb(lp, fc, order, freqs[i]);
                    if (expected > -60) {  // no section near the floor
                        ASSERT_NEAR(bw[i], expected, kTight) << freqs[i] << " Hz";
                    }
                    const double lrExpected = 2 * ButterworthDb(lp, fc, (order + 1) / 2, freqs[i]);
                    if (lrExpected > -60) {
                        ASSERT_NEAR(lr[i], lrExpected, kTable) << freqs[i] << " Hz";
                    }
                }
            }
        }
    }
}

TEST(DspCrossoverTheory, LinkwitzRileySidesRecombineFlat) {
    std::vector<double> grid(dsp::CURVE_POINTS);
    dsp::BuildFrequencyGrid(kRate, grid);
    for (int order : {2, 4, 6, 8}) {
        // Orders 2 and 6 leave the sides in antiphase: the high-pass is wired inverted.
        const double polarity = order % 4 == 2 ? -1.0 : 1.0;
        for (double fc : {80.0, 2500.0}) {
            auto sum = [&](double f, double sign) {
                return std::abs(dsptest::SideResponse(1, fc, order, 2, f) +
                                sign * dsptest::SideResponse(0, fc, order, 2, f));
            };
            for (double f : grid) {
                ASSERT_NEAR(20 * std::log10(sum(f, polarity)), 0.0, kTable) << order << " " << f;
            }
            EXPECT_LT(sum(fc, -polarity), 1e-6) << "the other polarity cancels at fc";
        }
    }
}

TEST(DspCrossoverTheory, StopBandFallsSixDbPerOctavePerOrder) {
    for (int type : {1, 2, 3}) {
        for (int slope = 1; slope <= 8; ++slope) {
            const double expected = kOctaveDb * dsp::CrossoverOrder(slope, type);
            // Four to five octaves into the stop band, far below Nyquist.
            const auto lp = CurveAt({320.0, 640.0}, Side(1, 20.0, slope, type));
            const auto hp = CurveAt({625.0, 312.5}, Side(0, 10000.0, slope, type));
            EXPECT_NEAR(lp[0] - lp[1], expected, 0.01 * expected) << "type " << type;
            EXPECT_NEAR(hp[0] - hp[1], expected, 0.01 * expected) << "type " << type;
        }
    }
}

TEST(DspCrossoverTheory, BesselSectionsFactorTheBesselPolynomial) {
    const double w = 2 * std::numbers::pi * 1000.0 / kRate;
    for (int n = 2; n <= 8; ++n) {
        for (int lp : {0, 1}) {
            // Multiply out the analog prototype, frequencies relative to the corner.
            const dsp::CrossoverSections s = dsp::DesignCrossoverSections(lp, 1000.0, n, 3);
            std::vector<double> poly{1.0};
            for (int k = 0; k < 4 && s.kind[k] != dsp::kNoSection; ++k) {
                const double r = lp == 1 ? std::acos(s.c[k]) / w : w / std::acos(s.c[k]);
                std::vector<double> f{r, 1.0};
                if (s.kind[k] == dsp::kSecondOrderSection) {
                    f = {r * r, dsptest::Damping(s, k) * r, 1.0};
                }
                std::vector<double> next(poly.size() + f.size() - 1, 0.0);
                for (std::size_t i = 0; i < poly.size(); ++i) {
                    for (std::size_t j = 0; j < f.size(); ++j) {
                        next[i + j] += poly[i] * f[j];
                    }
                }
                poly = next;
            }
            ASSERT_EQ(poly.size(), std::size_t(n) + 1);
            // Reverse Bessel polynomial a_k = (2n - k)! / (2^(n - k) k! (n - k)!), up to a
            // scale of the frequency axis.
            auto bessel = [n](int k) {
                return std::tgamma(2 * n - k + 1) /
                       (std::pow(2.0, n - k) * std::tgamma(k + 1) * std::tgamma(n - k + 1));
            };
            const double scale = std::pow(poly[0] / bessel(0), 1.0 / n);
            for (int k = 1; k < n; ++k) {
                EXPECT_NEAR(poly[k] / std::pow(scale, n - k) / bessel(k), 1.0, kTable)
                    << "order " << n << " lp " << lp << " s^" << k;
            }
        }
    }
}

// Poles inside the unit circle: the stability triangle |a2| < 1, |a1| < 1 + a2.
bool Stable(const dsp::Biquad& s) {
    return std::abs(s.a2) < 1 && std::abs(s.a1) < 1 + s.a2;
}

TEST(DspCrossoverTheory, EverySectionIsStable) {
    for (int type = 0; type <= 4; ++type) {
        for (int slope = 0; slope <= 9; ++slope) {
            for (double fc : {0.0025, 20.0, 1000.0, 22000.0, 30000.0}) {
                for (int lp : {0, 1}) {
                    const auto s = dsp::DesignCrossoverSections(lp, fc, slope, type);
                    for (int k = 0; k < 4; ++k) {
                        EXPECT_TRUE(Stable(dsp::CrossoverSectionBiquad(s, k, lp)))
                            << type << " " << slope << " " << fc << " " << lp << " " << k;
                    }
                }
            }
        }
    }
}

}  // namespace
