#include <gtest/gtest.h>

#include "model/frequency.h"

using namespace model;

TEST(ModelFrequency, EdgesDoNotMove) {
    EXPECT_EQ(StepFrequency(20, false), 20);
    EXPECT_EQ(StepFrequency(20000, true), 20000);
}

TEST(ModelFrequency, StepsUpMonotonicallyAcrossTheRange) {
    int f = 20;
    int steps = 0;
    while (f < 20000) {
        const int next = StepFrequency(f, true);
        ASSERT_GT(next, f) << "at " << f;
        ASSERT_LE(next, 20000);
        f = next;
        ASSERT_LT(++steps, 201);
    }
    EXPECT_EQ(f, 20000);
}

TEST(ModelFrequency, StepsDownMonotonicallyAcrossTheRange) {
    int f = 20000;
    int steps = 0;
    while (f > 20) {
        const int next = StepFrequency(f, false);
        ASSERT_LT(next, f) << "at " << f;
        ASSERT_GE(next, 20);
        f = next;
        ASSERT_LT(++steps, 201);
    }
    EXPECT_EQ(f, 20);
}

TEST(ModelFrequency, EveryFrequencyStepsInItsDirection) {
    for (int f = 20; f <= 20000; ++f) {
        if (f < 20000) {
            ASSERT_GT(StepFrequency(f, true), f) << f;
        }
        if (f > 20) {
            ASSERT_LT(StepFrequency(f, false), f) << f;
        }
    }
}

TEST(ModelFrequency, OutOfRangeInputStaysInRange) {
    EXPECT_EQ(StepFrequency(5, false), 5);
    EXPECT_EQ(StepFrequency(30000, true), 30000);
    const int up = StepFrequency(0, true);
    EXPECT_GE(up, 20);
    EXPECT_LE(up, 20000);
    const int down = StepFrequency(30000, false);
    EXPECT_GE(down, 20);
    EXPECT_LT(down, 20000);
}

TEST(ModelFrequency, KnownSteps) {
    EXPECT_EQ(StepFrequency(20, true), 21);
    EXPECT_EQ(StepFrequency(1000, true), 1026);  // position 113 -> 114
    EXPECT_EQ(StepFrequency(1000, false), 957);  // position 113 -> 112
}

TEST(ModelFrequency, ParseText) {
    EXPECT_EQ(ParseFrequencyText("1k"), 1000);
    EXPECT_EQ(ParseFrequencyText("1K2"), 1200);
    EXPECT_EQ(ParseFrequencyText("2K5"), 2500);
    EXPECT_EQ(ParseFrequencyText("10k"), 10000);
    EXPECT_EQ(ParseFrequencyText("20K"), 20000);
    EXPECT_EQ(ParseFrequencyText("315"), 315);
    EXPECT_EQ(ParseFrequencyText("1250Hz"), 1250);
    EXPECT_EQ(ParseFrequencyText(""), 0);
    EXPECT_EQ(ParseFrequencyText("abc"), 0);
    EXPECT_EQ(ParseFrequencyText("K"), 0);
    EXPECT_EQ(ParseFrequencyText("Hz"), 0);
    // Absurd lengths stay far out of range instead of overflowing.
    EXPECT_GT(ParseFrequencyText("3000000k"), 20000);
    EXPECT_GT(ParseFrequencyText("99999999999999999999"), 20000);
    EXPECT_LT(ParseFrequencyText("-99999999999999999999k"), 20);
}

TEST(ModelFrequency, BandTables) {
    EXPECT_EQ(DefaultBandFrequency(11, 0), 20);
    EXPECT_EQ(DefaultBandFrequency(11, 4), 315);
    EXPECT_EQ(DefaultBandFrequency(11, 10), 20000);
    EXPECT_EQ(DefaultBandFrequency(11, 11), -1);
    EXPECT_EQ(DefaultBandFrequency(5, 6), 1250);
    EXPECT_EQ(DefaultBandFrequency(12, 1), 28);
    EXPECT_EQ(DefaultBandFrequency(21, 11), 890);
    EXPECT_EQ(DefaultBandFrequency(21, 20), 20000);
    EXPECT_EQ(DefaultBandFrequency(21, 21), -1);
    EXPECT_EQ(DefaultBandFrequency(22, 2), 31);
    EXPECT_EQ(DefaultBandFrequency(31, 22), 3150);
    EXPECT_EQ(DefaultBandFrequency(31, 30), 20000);
    EXPECT_EQ(DefaultBandFrequency(31, 31), -1);
    EXPECT_EQ(DefaultBandFrequency(31, -1), -1);
}
