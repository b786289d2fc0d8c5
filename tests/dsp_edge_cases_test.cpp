// Edge cases: exact flatness, mirroring, section layout, clamps, the floor, odd input, and
// the rules of the channel sum.

#include <gtest/gtest.h>

#include <limits>

#include "dsp/cascade.h"
#include "dsp/channel_curve.h"
#include "dsp/crossover.h"
#include "dsp/curve_constants.h"
#include "dsp/frequency_grid.h"
#include "dsp/peaking.h"
#include "dsp_test_util.h"

namespace {

using dsptest::kRate;
const double kNan = std::numeric_limits<double>::quiet_NaN();

std::vector<double> Grid() {
    std::vector<double> grid(dsp::CURVE_POINTS);
    dsp::BuildFrequencyGrid(kRate, grid);
    return grid;
}

std::vector<double> Side(int lp, double fc, int slope, int type) {
    const auto grid = Grid();
    std::vector<double> db(grid.size());
    EXPECT_TRUE(dsp::CrossoverCurve(lp, kRate, fc, slope, type, grid, db));
    return db;
}

std::vector<double> Peak(double f0, double gain, double q) {
    const auto grid = Grid();
    std::vector<double> db(grid.size());
    EXPECT_TRUE(dsp::PeakingCurve(kRate, f0, gain, q, grid, db));
    return db;
}

bool Finite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

bool SameDesign(int lp, double fc, int slope, int type, double fc2, int slope2, int type2) {
    const auto a = dsp::DesignCrossoverSections(lp, fc, slope, type);
    const auto b = dsp::DesignCrossoverSections(lp, fc2, slope2, type2);
    return a.kind == b.kind && a.q == b.q;
}

TEST(DspEdgeCases, GridRunsLogarithmicallyToNyquistThenTheRate) {
    const auto grid = Grid();
    EXPECT_NEAR(grid[0], std::pow(24000.0, 1.0 / 511), 1e-12);
    for (std::size_t i = 1; i <= 510; ++i) {
        ASSERT_NEAR(grid[i] / grid[i - 1], grid[1] / grid[0], 1e-12) << i;
    }
    EXPECT_EQ(grid[510], 24000.0);
    EXPECT_EQ(grid[511], 48000.0);
    std::vector<double> one{7.0}, two(2);
    EXPECT_FALSE(dsp::BuildFrequencyGrid(kRate, one));
    EXPECT_FALSE(dsp::BuildFrequencyGrid(kNan, two));
}

TEST(DspEdgeCases, ZeroGainIsExactlyFlatAndACutMirrorsTheBoost) {
    for (double f0 : {20.0, 1000.0, 20000.0}) {
        for (double q : {0.4, 5.8, 25.0}) {
            for (double db : Peak(f0, 0.0, q)) {
                ASSERT_EQ(db, 0.0);
            }
            for (double gain : {0.3, 6.0, 24.0}) {
                const auto boost = Peak(f0, gain, q), cut = Peak(f0, -gain, q);
                for (std::size_t i = 0; i < boost.size(); ++i) {
                    // Rounding of the cut's coefficients alone moves a narrow low band ~1e-9 dB.
                    ASSERT_NEAR(boost[i] + cut[i], 0.0, 1e-8) << f0 << " Hz Q " << q << " " << i;
                }
            }
        }
    }
}

TEST(DspEdgeCases, SectionLayoutPerTypeAndOrder) {
    using K = std::array<double, 4>;
    const std::tuple<int, int, K> cases[] = {
        {1, 1, {0, -1, -1, -1}}, {3, 1, {1, 0, -1, -1}},  {5, 3, {1, 1, 0, -1}},
        {7, 1, {1, 1, 1, 0}},    {8, 3, {1, 1, 1, 1}},    {3, 2, {1, 1, -1, -1}},
        {0, 2, {0, -1, -1, -1}}, {6, 0, {1, -1, -1, -1}}, {0, 0, {1, -1, -1, -1}}};
    for (const auto& [slope, type, kinds] : cases) {
        EXPECT_EQ(dsp::DesignCrossoverSections(1, 1000.0, slope, type).kind, kinds)
            << "slope " << slope << " type " << type;
    }
    // Butterworth 3 and type 0: a pair of damping 1; Linkwitz-Riley code 3: two of sqrt(2).
    EXPECT_NEAR(dsptest::Damping(dsp::DesignCrossoverSections(1, 1000.0, 3, 1), 0), 1.0, 1e-9);
    EXPECT_NEAR(dsptest::Damping(dsp::DesignCrossoverSections(0, 1000.0, 5, 0), 0), 1.0, 1e-9);
    const auto lr = dsp::DesignCrossoverSections(0, 1000.0, 3, 2);
    EXPECT_NEAR(dsptest::Damping(lr, 0), std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(dsptest::Damping(lr, 1), std::sqrt(2.0), 1e-9);
}

TEST(DspEdgeCases, OrderAndCutoffAreClampedUnknownTypesAreButterworth) {
    for (int type : {1, 2, 3}) {
        for (int lp : {0, 1}) {
            EXPECT_TRUE(SameDesign(lp, 1000.0, 9, type, 1000.0, 8, type));
            EXPECT_TRUE(SameDesign(lp, 1000.0, 100, type, 1000.0, 8, type));
            EXPECT_TRUE(SameDesign(lp, 1000.0, -4, type, 1000.0, 0, type));
            EXPECT_TRUE(SameDesign(lp, 30000.0, 4, type, 22000.0, 4, type));
            EXPECT_TRUE(SameDesign(lp, 0.0, 4, type, 0.0025, 4, type));
            EXPECT_TRUE(SameDesign(lp, kNan, 4, type, 0.0025, 4, type));
        }
    }
    // Left undamped, these would put an infinite peak on the graph.
    for (int type : {4, 7, -1}) {
        EXPECT_TRUE(SameDesign(1, 1000.0, 4, type, 1000.0, 4, 1));
        EXPECT_TRUE(Finite(Side(0, 22000.0, 6, type)));
    }
}

TEST(DspEdgeCases, DeepStopBandSaturatesAtTheFloorPerSection) {
    EXPECT_EQ(Side(0, 1000.0, 2, 1)[0], dsp::kFloorDb);  // 1 Hz under a 1 kHz high-pass
    EXPECT_EQ(Side(0, 1000.0, 8, 1)[0], 4 * dsp::kFloorDb);
    EXPECT_EQ(Side(1, 1000.0, 4, 2)[510], 2 * dsp::kFloorDb);  // low-pass zero at Nyquist
    EXPECT_NEAR(Side(1, 1000.0, 4, 2)[511], 0.0, 1e-9);        // the rate reads like DC
    // The threshold is a power of 1e-8, i.e. -80 dB; a pole on the circle is capped.
    const double den[] = {0.0, 0.0}, above[] = {1.0001e-4, 0, 0}, below[] = {0.9999e-4, 0, 0};
    std::vector<double> db(3), phase(3, 9.0);
    const std::vector<double> grid{1000.0, 24000.0, 48000.0};
    ASSERT_TRUE(dsp::EvaluateCascade(above, den, 2, 1, grid, db, phase));
    EXPECT_NEAR(db[0], 20 * std::log10(1.0001e-4), 1e-9);
    ASSERT_TRUE(dsp::EvaluateCascade(below, den, 2, 1, grid, db, phase));
    EXPECT_EQ(db[0], dsp::kFloorDb);
    EXPECT_EQ(phase[0], 0.0);
    const double one[] = {1.0, 0.0, 0.0}, poleAtDc[] = {-1.0, 0.0};
    ASSERT_TRUE(dsp::EvaluateCascade(one, poleAtDc, 2, 1, {{0.0, 24000.0, 48000.0}}, db));
    EXPECT_EQ(db[0], dsp::kCeilingDb);
}

TEST(DspEdgeCases, CascadeAgreesWithPeakingCurveAndOddInputStaysFinite) {
    const auto grid = Grid();
    const dsp::Biquad b = dsp::DesignPeakingBiquad(kRate, 250.0, 7.5, 3.0);
    const double num[] = {b.b0, b.b1, b.b2}, den[] = {b.a1, b.a2};
    std::vector<double> db(grid.size()), shortDb(10);
    ASSERT_TRUE(dsp::EvaluateCascade(num, den, 2, 1, grid, db));
    const auto peak = Peak(250.0, 7.5, 3.0);
    for (std::size_t i = 0; i < grid.size(); ++i) {
        ASSERT_NEAR(db[i], peak[i], 1e-9) << i;
    }
    EXPECT_FALSE(dsp::EvaluateCascade(num, den, 2, 2, grid, db));  // rows missing
    EXPECT_FALSE(dsp::PeakingCurve(kRate, 100.0, 3.0, 1.0, grid, shortDb));
    EXPECT_FALSE(dsp::CrossoverCurve(1, kRate, 100.0, 3, 1, grid, shortDb));
    // Parameters without a design draw flat; odd but designable ones stay finite.
    for (auto [f0, gain, q] : {std::tuple{1000.0, 6.0, 0.0}, {0.0, 6.0, 1.0}, {1e3, kNan, 1.0}}) {
        EXPECT_EQ(Peak(f0, gain, q), std::vector<double>(grid.size(), 0.0));
    }
    EXPECT_TRUE(Finite(Peak(1000.0, 6.0, -2.0)));
    EXPECT_TRUE(Finite(Peak(30000.0, 400.0, 3.0)));
}

TEST(DspEdgeCases, ChannelSumRules) {
    dsp::ChannelCrossover xo{{80.0, 2, 4, false}, {12000.0, 3, 3, false}};
    std::vector<dsp::PeakingBand> bands{
        {40.0, 6.0, 2.0, true}, {315.0, -4.5, 5.8, true}, {2500.0, 9.0, 1.2, false}};
    std::vector<double> grid(dsp::CURVE_POINTS), sum(grid.size());
    auto run = [&](bool eqBypass) {
        EXPECT_TRUE(dsp::SumChannelCurve(xo, bands, eqBypass, grid, sum));
        return sum;
    };
    // The sum of the side and enabled band curves, on the standard grid.
    const auto total = run(false);
    EXPECT_EQ(grid, Grid());
    const auto hp = Side(0, 80.0, 4, 2), lp = Side(1, 12000.0, 3, 3);
    const auto b0 = Peak(40.0, 6.0, 2.0), b1 = Peak(315.0, -4.5, 5.8);
    for (std::size_t i = 0; i < total.size(); ++i) {
        ASSERT_NEAR(total[i], hp[i] + lp[i] + b0[i] + b1[i], 1e-9) << i;
    }
    // EQ bypass, disabled bands and no bands at all leave the two sides.
    const auto sides = run(true);
    bands[0].enabled = bands[1].enabled = false;
    EXPECT_EQ(run(false), sides);
    bands.clear();
    EXPECT_EQ(run(false), sides);
    // Slope code 0 is "off" in the model: drawn flat even when not marked bypassed.
    xo.hp.slope = 0;
    const auto noHp = run(false);
    xo.hp.bypassed = true;
    EXPECT_EQ(run(false), noHp);
    xo.lp.bypassed = true;
    EXPECT_EQ(run(false), std::vector<double>(grid.size(), 0.0));
    // Nothing odd reaches the graph as inf or NaN.
    xo = {{kNan, 42, 99, false}, {1e9, -7, 8, false}};
    bands = {{0.0, 12.0, 0.0, true}, {1000.0, 1e6, 1.0, true}};
    EXPECT_TRUE(Finite(run(false)));
    // Stacks of huge boosts or of deep cuts would overflow a plain product of gains.
    bands.assign(12, {1000.0, 390.0, 1.0, true});
    EXPECT_TRUE(Finite(run(false)));
    bands.assign(50, {1000.0, -70.0, 1.0, true});
    EXPECT_TRUE(Finite(run(false)));
    EXPECT_FALSE(dsp::SumChannelCurve(xo, bands, false, grid, std::span<double>(sum).first(9)));
}

}  // namespace
