// The UI scale chosen from the screens.

#include "shell/ui_scale.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "shell/run_log.h"

namespace {

using shell::ScreenLayout;
using shell::ScreenRect;

ScreenLayout Single(int width, int height) {
    ScreenLayout layout;
    layout.primaryWidth = width;
    layout.primaryHeight = height;
    layout.virtualScreen = {0, 0, width, height};
    layout.monitors = {{0, 0, width, height}};
    return layout;
}

TEST(UiScaleTest, TheThreeSingleMonitorExamples) {
    EXPECT_EQ(shell::UiScaleDpi(Single(1366, 768)), 77);    // min(0.889, 1.011)
    EXPECT_EQ(shell::UiScaleDpi(Single(1920, 1080)), 120);  // 1.25 is not below 1.25
    EXPECT_EQ(shell::UiScaleDpi(Single(3840, 2160)), 192);  // 2.5
}

TEST(UiScaleTest, EveryStepAndItsBoundary) {
    EXPECT_EQ(shell::DpiForScreenSize(1535, 760), 77);
    EXPECT_EQ(shell::DpiForScreenSize(1536, 760), 96);
    EXPECT_EQ(shell::DpiForScreenSize(1919, 2000), 96);
    EXPECT_EQ(shell::DpiForScreenSize(2304, 1140), 144);  // exactly 1.5 on both sides
    EXPECT_EQ(shell::DpiForScreenSize(2303, 1140), 120);
    EXPECT_EQ(shell::DpiForScreenSize(3072, 1520), 192);  // exactly 2
    EXPECT_EQ(shell::DpiForScreenSize(4608, 2280), 288);  // exactly 3
    EXPECT_EQ(shell::DpiForScreenSize(4607, 5000), 192);
    EXPECT_EQ(shell::DpiForScreenSize(7680, 4320), 288);
    // The height limits too: a very wide but short screen stays small.
    EXPECT_EQ(shell::DpiForScreenSize(5120, 759), 77);
    EXPECT_EQ(shell::DpiForScreenSize(0, 0), 77);
}

TEST(UiScaleTest, TheWidestMonitorDecides) {
    ScreenLayout layout = Single(1366, 768);
    layout.monitors.push_back({1366, 0, 1366 + 3840, 2160});
    layout.virtualScreen = {0, 0, 1366 + 3840, 2160};
    EXPECT_EQ(shell::ChooseScreen(layout), (ScreenRect{1366, 0, 5206, 2160}));
    EXPECT_EQ(shell::UiScaleDpi(layout), 192);
}

TEST(UiScaleTest, AWiderPrimaryScreenKeepsItsOwnSize) {
    ScreenLayout layout = Single(2560, 1440);
    layout.monitors.push_back({-1920, 0, 0, 1080});
    EXPECT_EQ(shell::ChooseScreen(layout), (ScreenRect{0, 0, 2560, 1440}));
    EXPECT_EQ(shell::UiScaleDpi(layout), 144);
}

TEST(UiScaleTest, OnEqualWidthTheEarlierOneStays) {
    // Same width as the primary screen but taller: the primary screen still decides.
    ScreenLayout layout = Single(1920, 800);
    layout.monitors.push_back({1920, 0, 3840, 2160});
    EXPECT_EQ(shell::ChooseScreen(layout), (ScreenRect{0, 0, 1920, 800}));
    EXPECT_EQ(shell::UiScaleDpi(layout), 96);

    // Two equal others: sorted by left, then top; the first in that order wins, whatever
    // order the system listed them in.
    ScreenLayout two = Single(1024, 768);
    two.monitors = {{2000, 0, 4000, 1500}, {0, 0, 1024, 768}, {-2000, 500, 0, 2000}};
    EXPECT_EQ(shell::ChooseScreen(two), (ScreenRect{-2000, 500, 0, 2000}));
    two.monitors.push_back({-2000, 100, 0, 1200});
    EXPECT_EQ(shell::ChooseScreen(two), (ScreenRect{-2000, 100, 0, 1200}));
}

TEST(UiScaleTest, OnlyTheMonitorAtTheOriginIsIgnored) {
    // A large monitor reported at 0,0 is the primary one, whose size comes from the primary
    // screen metrics instead.
    ScreenLayout origin = Single(1366, 768);
    origin.monitors = {{0, 0, 3840, 2160}};
    EXPECT_EQ(shell::UiScaleDpi(origin), 77);

    // Left 0 but top not 0 (stacked below) is another monitor and counts.
    ScreenLayout below = Single(1366, 768);
    below.monitors.push_back({0, 768, 3840, 768 + 2160});
    EXPECT_EQ(shell::ChooseScreen(below), (ScreenRect{0, 768, 3840, 2928}));
    EXPECT_EQ(shell::UiScaleDpi(below), 192);

    // Top 0 but left not 0 counts as well.
    ScreenLayout beside = Single(1366, 768);
    beside.monitors.push_back({1366, 0, 1366 + 1920, 1080});
    EXPECT_EQ(shell::UiScaleDpi(beside), 120);
}

TEST(UiScaleTest, TheChoiceIsLogged) {
    namespace fs = std::filesystem;
    const fs::path path =
        fs::temp_directory_path() / ("ui_scale_" + std::to_string(::getpid()) + ".log");
    std::FILE* console = std::tmpfile();
    ASSERT_TRUE(runlog::Open(path.string(), console));
    runlog::SetTimestamp(false);
    ScreenLayout layout = Single(1366, 768);
    layout.monitors.push_back({-3840, -200, 0, 1960});
    layout.virtualScreen = {-3840, -200, 1366, 1960};
    EXPECT_EQ(shell::UiScaleDpi(layout), 192);
    runlog::Close();
    runlog::SetTimestamp(true);
    std::fclose(console);

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    fs::remove(path);
    EXPECT_EQ(text.str(),
              "m_MainScreen (0,0,1366,768)\n"
              "m_VirtualScreen (-3840,-200,1366,1960)\n"
              "screen size 3840 x 2160\n"
              "DPI 192\n");
}

}  // namespace
