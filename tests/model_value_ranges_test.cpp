#include <gtest/gtest.h>

#include <limits>

#include "model/value_ranges.h"

using namespace model;

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
}

TEST(ModelValueRanges, OutputGain) {
    EXPECT_EQ(ClampOutputGain(-61.0f), -60.0f);
    EXPECT_EQ(ClampOutputGain(0.5f), 0.0f);
    EXPECT_EQ(ClampOutputGain(-12.3f), -12.3f);
    EXPECT_EQ(ClampOutputGain(kNaN), -60.0f);
}

TEST(ModelValueRanges, MainVolume) {
    EXPECT_EQ(ClampMainVolume(-100), -60);
    EXPECT_EQ(ClampMainVolume(7), 6);
    EXPECT_EQ(ClampMainVolume(-5), -5);
}

TEST(ModelValueRanges, EqGainAndQ) {
    EXPECT_EQ(ClampEqGain(-18.1f), -18.0f);
    EXPECT_EQ(ClampEqGain(12.1f), 12.0f);
    EXPECT_EQ(ClampEqGain(3.5f), 3.5f);
    EXPECT_EQ(ClampEqQ(0.4f), 0.5f);
    EXPECT_EQ(ClampEqQ(9.5f), 9.0f);
    EXPECT_EQ(ClampEqQ(kNaN), 0.5f);
}

TEST(ModelValueRanges, MixLevel) {
    EXPECT_EQ(ClampMixLevel(-1), 0);
    EXPECT_EQ(ClampMixLevel(101), 100);
    EXPECT_EQ(ClampMixLevel(50), 50);
}
