// The cached response of each output: what the graph draws must show the record's bands and
// crossover with their known shapes, and stay put when there is nothing to draw.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/channel_curves.h"

namespace {

using model::ChannelCurves;
using model::ProfileRecord;

// An output with its crossover off, EQ in circuit and every band at 0 dB.
ProfileRecord FlatRecord() {
    ProfileRecord r;
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        r.channels[o].crossover = model::Crossover{};
        r.channels[o].bypass = 0;
        r.channels[o].eqSize = model::MAX_EQ_BANDS;
        for (model::EqBand& band : r.bands[o]) {
            band = model::EqBand{0.0f, 2.0f, 1000, 1};
        }
    }
    return r;
}

// The curve at f, read between the two grid points around it on the log axis.
double At(const ChannelCurves& c, int output, double f) {
    const auto grid = c.Grid(output);
    const auto sum = c.Sum(output);
    for (size_t i = 1; i < grid.size(); ++i) {
        if (grid[i] >= f) {
            const double t = std::log(f / grid[i - 1]) / std::log(grid[i] / grid[i - 1]);
            return sum[i - 1] + t * (sum[i] - sum[i - 1]);
        }
    }
    ADD_FAILURE() << f << " Hz is off the grid";
    return 0.0;
}

double MaxAbs(std::span<const double> values) {
    double m = 0.0;
    for (double v : values) {
        m = std::max(m, std::abs(v));
    }
    return m;
}

std::vector<double> Copy(std::span<const double> s) {
    return {s.begin(), s.end()};
}

TEST(ChannelCurves, StartsFlatOnARisingFrequencyGrid) {
    const ChannelCurves curves;
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        const auto grid = curves.Grid(o);
        ASSERT_EQ(grid.size(), static_cast<size_t>(model::CURVE_POINTS));
        ASSERT_EQ(curves.Sum(o).size(), grid.size());
        EXPECT_TRUE(std::is_sorted(grid.begin(), grid.end()));
        EXPECT_GT(grid.front(), 0.0);
        EXPECT_NEAR(grid[grid.size() - 2], 24000.0, 1e-6);
        EXPECT_EQ(MaxAbs(curves.Sum(o)), 0.0);
    }
}

TEST(ChannelCurves, FlatChannelIsZeroAndOneBandPeaksAtItsCentre) {
    ProfileRecord r = FlatRecord();
    ChannelCurves curves;
    curves.UpdateAll(r);
    EXPECT_LT(MaxAbs(curves.Sum(4)), 1e-9);

    r.bands[4][7] = model::EqBand{6.0f, 2.0f, 1000, 1};
    curves.UpdateChannelCurve(r, 4);
    const auto grid = curves.Grid(4);
    const auto sum = curves.Sum(4);
    const auto peak = std::max_element(sum.begin(), sum.end());
    EXPECT_NEAR(*peak, 6.0, 0.05);
    EXPECT_NEAR(grid[static_cast<size_t>(peak - sum.begin())], 1000.0, 30.0);
    EXPECT_NEAR(At(curves, 4, 1000.0), 6.0, 0.02);
    EXPECT_NEAR(At(curves, 4, 30.0), 0.0, 0.05);
    // Other outputs keep their own curve.
    EXPECT_LT(MaxAbs(curves.Sum(5)), 1e-9);

    // Disabled, or beyond the output's band count: drawn flat.
    r.bands[4][7].enable = 0;
    curves.UpdateChannelCurve(r, 4);
    EXPECT_LT(MaxAbs(curves.Sum(4)), 1e-9);
    r.bands[4][7].enable = 1;
    r.channels[4].eqSize = 7;
    curves.UpdateChannelCurve(r, 4);
    EXPECT_LT(MaxAbs(curves.Sum(4)), 1e-9);
}

TEST(ChannelCurves, CrossoverSidesHaveTheirCornerLevels) {
    ProfileRecord r = FlatRecord();
    r.channels[0].crossover.hp = model::CrossoverFilter(100, model::kButterworth, 2);
    r.channels[1].crossover.lp = model::CrossoverFilter(2000, model::kLinkwitzRiley, 4);
    ChannelCurves curves;
    curves.UpdateAll(r);
    EXPECT_NEAR(At(curves, 0, 100.0), -3.01, 0.05);
    EXPECT_NEAR(At(curves, 0, 25.0), -24.0, 0.5);  // 12 dB per octave below
    EXPECT_NEAR(At(curves, 0, 5000.0), 0.0, 0.01);
    EXPECT_NEAR(At(curves, 1, 2000.0), -6.02, 0.05);
    EXPECT_NEAR(At(curves, 1, 50.0), 0.0, 0.01);

    // A side switched off is not drawn, whatever its other fields say.
    r.channels[0].crossover.hp.SetSlope(0);
    curves.UpdateChannelCurve(r, 0);
    EXPECT_LT(MaxAbs(curves.Sum(0)), 1e-9);
}

TEST(ChannelCurves, EqBypassFlattensBandsButKeepsTheCrossover) {
    ProfileRecord r = FlatRecord();
    r.channels[2].crossover.hp = model::CrossoverFilter(100, model::kButterworth, 2);
    ChannelCurves curves;
    curves.UpdateChannelCurve(r, 2);
    const std::vector<double> crossoverOnly = Copy(curves.Sum(2));

    r.bands[2][0] = model::EqBand{-9.0f, 1.0f, 400, 1};
    r.bands[2][30] = model::EqBand{12.0f, 4.0f, 8000, 1};
    curves.UpdateChannelCurve(r, 2);
    EXPECT_NEAR(At(curves, 2, 8000.0), 12.0, 0.1);

    r.channels[2].bypass = 1;
    curves.UpdateChannelCurve(r, 2);
    EXPECT_EQ(Copy(curves.Sum(2)), crossoverOnly);
    EXPECT_NEAR(At(curves, 2, 100.0), -3.01, 0.05);
}

TEST(ChannelCurves, NothingToDrawKeepsThePreviousCurve) {
    ProfileRecord r = FlatRecord();
    r.bands[3][0] = model::EqBand{6.0f, 2.0f, 1000, 1};
    ChannelCurves curves;
    curves.UpdateChannelCurve(r, 3);
    const std::vector<double> before = Copy(curves.Sum(3));
    ASSERT_GT(MaxAbs(before), 5.0);

    // No bands: even a changed crossover leaves the cached curve alone.
    r.channels[3].crossover.hp = model::CrossoverFilter(500, model::kButterworth, 4);
    for (int size : {0, -3}) {
        r.channels[3].eqSize = size;
        curves.UpdateChannelCurve(r, 3);
        EXPECT_EQ(Copy(curves.Sum(3)), before);
    }

    // A band count beyond the row reads the whole row and no further.
    r.channels[3].eqSize = 1000;
    curves.UpdateChannelCurve(r, 3);
    const std::vector<double> whole = Copy(curves.Sum(3));
    r.channels[3].eqSize = model::MAX_EQ_BANDS;
    curves.UpdateChannelCurve(r, 3);
    EXPECT_EQ(Copy(curves.Sum(3)), whole);
    EXPECT_NE(whole, before);
}

TEST(ChannelCurves, OutOfRangeOutputsAreIgnored) {
    ProfileRecord r = FlatRecord();
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        r.bands[o][0].eqGain = 3.0f;
    }
    ChannelCurves curves;
    curves.UpdateChannelCurve(r, -1);
    curves.UpdateChannelCurve(r, model::OUTPUT_CHANNELS);
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        EXPECT_EQ(MaxAbs(curves.Sum(o)), 0.0);
    }
    for (int o : {-1, model::OUTPUT_CHANNELS, 1000}) {
        EXPECT_TRUE(curves.Grid(o).empty());
        EXPECT_TRUE(curves.Sum(o).empty());
    }
}

}  // namespace
