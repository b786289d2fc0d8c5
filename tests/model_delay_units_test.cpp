#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/delay_units.h"

using namespace model;

TEST(ModelDelayUnits, FullRangeText) {
    EXPECT_EQ(DelayMsToText(15.0f, kDelayMs), "15.000 ms");
    EXPECT_EQ(DelayMsToText(15.0f, kDelayCm), "519 cm");
    EXPECT_EQ(DelayMsToText(15.0f, kDelayIn), "204 in");
    EXPECT_EQ(DelayMsToText(0.0f, kDelayCm), "0 cm");
}

TEST(ModelDelayUnits, TextClampsFirst) {
    EXPECT_EQ(DelayMsToText(20.0f, kDelayCm), "519 cm");
    EXPECT_EQ(DelayMsToText(-1.0f, kDelayIn), "0 in");
    EXPECT_EQ(DelayMsToText(-1.0f, kDelayMs), "0.000 ms");
    EXPECT_EQ(DelayMsToText(7.25f, kDelayMs), "7.250 ms");
}

TEST(ModelDelayUnits, TypedCentimetresAreQuantised) {
    const float typed = DelayTextToMs("7.5", kDelayMs);
    EXPECT_FLOAT_EQ(typed, 7.5f);
    const float stored = QuantizeDelayMs(typed, kDelayCm);
    // 260 cm, to the microsecond the amplifier keeps.
    EXPECT_FLOAT_EQ(stored, 7.514f);
    EXPECT_EQ(DelayMsToText(stored, kDelayMs), "7.514 ms");
    EXPECT_EQ(DelayMsToText(stored, kDelayCm), "260 cm");
}

TEST(ModelDelayUnits, TextToMsUsesUnitFactors) {
    EXPECT_FLOAT_EQ(DelayTextToMs("519", kDelayCm), 15.0f);
    EXPECT_FLOAT_EQ(DelayTextToMs("204", kDelayIn), 15.0f);
    EXPECT_FLOAT_EQ(DelayTextToMs("102 in", kDelayIn), 7.5f);
    EXPECT_FLOAT_EQ(DelayTextToMs("3.25", kDelayMs), 3.25f);
    EXPECT_FLOAT_EQ(DelayTextToMs("abc", kDelayCm), 0.0f);
}

TEST(ModelDelayUnits, QuantiseIsWholeUnitsInWholeMicroseconds) {
    for (int unit : {kDelayCm, kDelayIn}) {
        const int perRange = unit == kDelayCm ? 519 : 204;
        for (float ms = 0.0f; ms <= 15.0f; ms += 0.013f) {
            const float q = QuantizeDelayMs(ms, unit);
            EXPECT_NEAR(q * 1000.0f, std::round(q * 1000.0f), 1e-2) << ms;
            // Half a microsecond at most from the whole unit.
            const float units = q * perRange / 15.0f;
            EXPECT_NEAR(units, std::round(units), 0.0005f * perRange / 15.0f + 1e-4f) << ms;
            EXPECT_LE(std::fabs(q - ms), 15.0f / perRange / 2 + 0.0005f + 1e-4f) << ms;
        }
    }
}

TEST(ModelDelayUnits, MillisecondsOnlyClamp) {
    EXPECT_FLOAT_EQ(QuantizeDelayMs(7.5f, kDelayMs), 7.5f);
    EXPECT_FLOAT_EQ(QuantizeDelayMs(16.0f, kDelayMs), 15.0f);
    EXPECT_FLOAT_EQ(QuantizeDelayMs(-2.0f, kDelayCm), 0.0f);
    EXPECT_FLOAT_EQ(QuantizeDelayMs(99.0f, kDelayIn), 15.0f);
    EXPECT_FLOAT_EQ(ClampDelayMs(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}
