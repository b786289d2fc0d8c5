// The curves against tests/reference/dsp_reference.py: the same designs coded independently
// in Python and evaluated by scipy's sosfreqz in extended precision.

#include <gtest/gtest.h>

#include "dsp/channel_curve.h"
#include "dsp/crossover.h"
#include "dsp/curve_constants.h"
#include "dsp/frequency_grid.h"
#include "dsp/peaking.h"
#include "dsp_reference_rows.h"

namespace {

constexpr double kToleranceDb = 1e-9;

// Checks "index dB" pairs; returns the number checked.
int ExpectCurve(const std::vector<double>& ours, const std::vector<double>& pairs) {
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        EXPECT_NEAR(ours.at(std::size_t(pairs[i])), pairs[i + 1], kToleranceDb) << pairs[i];
    }
    return int(pairs.size() / 2);
}

TEST(DspReference, CrossoverGridDesignsAndCurves) {
    std::vector<double> grid(dsp::CURVE_POINTS), db(grid.size()), x;
    ASSERT_TRUE(dsp::BuildFrequencyGrid(dsp::CURVE_SAMPLE_RATE, grid));
    int points = 0;
    for (const auto& [tag, v] : dsptest::ReadRows("crossover_reference.txt")) {
        if (tag == "G") {
            ASSERT_EQ(v.size(), grid.size());
            for (std::size_t i = 0; i < grid.size(); ++i) {
                EXPECT_DOUBLE_EQ(grid[i], v[i]) << i;
            }
        } else if (tag == "X") {  // lp fc slope type
            x = v;
            dsp::CrossoverCurve(int(x[0]), 0.0, x[1], int(x[2]), int(x[3]), grid, db);
        } else if (tag == "S") {  // q[4] c[4] kind[4]
            SCOPED_TRACE(::testing::Message() << "lp " << x[0] << " fc " << x[1] << " slope "
                                              << x[2] << " type " << x[3]);
            const auto s = dsp::DesignCrossoverSections(int(x[0]), x[1], int(x[2]), int(x[3]));
            for (int k = 0; k < 4; ++k) {
                EXPECT_DOUBLE_EQ(s.q[k], v[k]);
                EXPECT_DOUBLE_EQ(s.c[k], v[4 + k]);
                EXPECT_EQ(s.kind[k], v[8 + k]);
            }
        } else if (tag == "P") {
            SCOPED_TRACE(::testing::Message() << "lp " << x[0] << " fc " << x[1] << " slope "
                                              << x[2] << " type " << x[3]);
            points += ExpectCurve(db, v);
        }
    }
    EXPECT_GT(points, 10000);  // 4 types x 8 orders x 5 cutoffs x 2 sides, and edge cases
}

TEST(DspReference, PeakingDesignsAndCurves) {
    std::vector<double> grid(dsp::CURVE_POINTS), db(grid.size()), k;
    ASSERT_TRUE(dsp::BuildFrequencyGrid(dsp::CURVE_SAMPLE_RATE, grid));
    int points = 0;
    for (const auto& [tag, v] : dsptest::ReadRows("peaking_reference.txt")) {
        if (tag == "K") {  // f0 gain q
            k = v;
            dsp::PeakingCurve(dsp::CURVE_SAMPLE_RATE, k[0], k[1], k[2], grid, db);
            continue;
        }
        SCOPED_TRACE(::testing::Message() << k[0] << " Hz " << k[1] << " dB Q " << k[2]);
        if (tag == "C") {
            const dsp::Biquad b =
                dsp::DesignPeakingBiquad(dsp::CURVE_SAMPLE_RATE, k[0], k[1], k[2]);
            const double ours[] = {b.b0, b.b1, b.b2, b.a1, b.a2};
            for (int i = 0; i < 5; ++i) {
                EXPECT_DOUBLE_EQ(ours[i], v[i]) << "coefficient " << i;
            }
        } else if (tag == "P") {
            points += ExpectCurve(db, v);
        }
    }
    EXPECT_GT(points, 5000);
}

TEST(DspReference, TwelveChannelSums) {
    const auto channels = dsptest::ReadChannels();
    ASSERT_EQ(channels.size(), 12u);
    std::vector<double> grid(dsp::CURVE_POINTS), sum(grid.size());
    for (const dsptest::Channel& c : channels) {
        ASSERT_EQ(c.bands.size(), 31u);
        ASSERT_TRUE(dsp::SumChannelCurve(c.crossover, c.bands, c.eqBypass, grid, sum));
        for (std::size_t i = 0; i < sum.size(); ++i) {
            ASSERT_NEAR(sum[i], c.sum.at(i), kToleranceDb) << "point " << i;
        }
    }
}

}  // namespace
