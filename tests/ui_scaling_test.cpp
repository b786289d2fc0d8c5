#include <gtest/gtest.h>

#include "ui/scaling.h"

namespace {

TEST(UiScaling, LayoutDpiIsIdentityAndDoubleDpiDoubles) {
    for (int v : {0, 1, 7, 95, 1230, -13}) {
        EXPECT_EQ(ui::ScaleValue(v, 96), v);
        EXPECT_EQ(ui::ScaleValue(v, 192), 2 * v);
        EXPECT_EQ(ui::ScaleValue(v, 288), 3 * v);
    }
    EXPECT_EQ(ui::ScaleRect(QRect(10, 20, 30, 40), 192), QRect(20, 40, 60, 80));
    EXPECT_EQ(ui::ScaleSize(QSize(1230, 650), 192), QSize(2460, 1300));
}

TEST(UiScaling, RoundsToNearestSymmetrically) {
    EXPECT_EQ(ui::ScaleValue(100, 77), 80);  // 80.21
    EXPECT_EQ(ui::ScaleValue(10, 120), 13);  // 12.5 rounds away from zero
    EXPECT_EQ(ui::ScaleValue(-10, 120), -13);
    EXPECT_EQ(ui::ScaleValue(3, 144), 5);        // 4.5
    EXPECT_EQ(ui::ScaleValue(1230, 120), 1538);  // 1537.5
}

TEST(UiScaling, TouchingRectsStillTouchAtOddScales) {
    // Twelve 30-unit cells side by side: every right edge meets the next left edge.
    for (int dpi : {77, 120, 144}) {
        for (int i = 0; i + 1 < 12; ++i) {
            const QRect a = ui::ScaleRect(QRect(10 + 30 * i, 0, 30, 20), dpi);
            const QRect b = ui::ScaleRect(QRect(10 + 30 * (i + 1), 0, 30, 20), dpi);
            EXPECT_EQ(a.x() + a.width(), b.x()) << "dpi " << dpi << " cell " << i;
        }
    }
}

TEST(UiScaling, OutlandishDpiIsClamped) {
    EXPECT_EQ(ui::ClampDpi(0), ui::kMinDpi);
    EXPECT_EQ(ui::ClampDpi(100000), ui::kMaxDpi);
    EXPECT_EQ(ui::ScaleValue(96, -5), ui::kMinDpi);
    EXPECT_EQ(ui::ClampDpi(144), 144);
}

}  // namespace
