#include "app/app_options.h"

#include <gtest/gtest.h>

using app::ParseAppOptions;

TEST(AppOptions, KnownOptionsAreTaken) {
    EXPECT_FALSE(ParseAppOptions({}).simulate);
    const auto all = ParseAppOptions({"--simulate", "--screenshot", "out.png"});
    EXPECT_TRUE(all.simulate);
    EXPECT_EQ(all.screenshot, "out.png");
    EXPECT_TRUE(all.error.isEmpty());
    EXPECT_EQ(ParseAppOptions({"--screenshot=a b.png"}).screenshot, "a b.png");
    EXPECT_TRUE(ParseAppOptions({"--help"}).help);
    const auto older = ParseAppOptions({"--simulate-firmware", "16.20"});
    EXPECT_TRUE(older.simulate);
    EXPECT_EQ(older.firmwareMajor, 16);
    EXPECT_EQ(older.firmwareMinor, 20);
}

TEST(AppOptions, UnusableArgumentsAreErrors) {
    EXPECT_FALSE(ParseAppOptions({"--screenshot"}).error.isEmpty());
    EXPECT_FALSE(ParseAppOptions({"--screenshot", "--simulate"}).error.isEmpty());
    EXPECT_FALSE(ParseAppOptions({"--screenshot="}).error.isEmpty());
    EXPECT_FALSE(ParseAppOptions({"--frobnicate"}).error.isEmpty());
    EXPECT_FALSE(ParseAppOptions({"stray"}).error.isEmpty());
    for (const char* version : {"16", "16.x", "256.1", "16.-1", "1.2.3"}) {
        EXPECT_FALSE(ParseAppOptions({"--simulate-firmware", version}).error.isEmpty()) << version;
    }
    EXPECT_FALSE(ParseAppOptions({"--simulate-firmware"}).error.isEmpty());
}
