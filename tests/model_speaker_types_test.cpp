#include <gtest/gtest.h>

#include "model/speaker_types.h"

using namespace model;

TEST(ModelSpeakerTypes, Mirror) {
    for (int t = 1; t <= 6; ++t)
        EXPECT_EQ(MirrorSpeakerType(t), t + 6);
    for (int t = 7; t <= 12; ++t)
        EXPECT_EQ(MirrorSpeakerType(t), t - 6);
    for (int t = 13; t <= 15; ++t)
        EXPECT_EQ(MirrorSpeakerType(t), t + 3);
    for (int t = 16; t <= 18; ++t)
        EXPECT_EQ(MirrorSpeakerType(t), t - 3);
    EXPECT_EQ(MirrorSpeakerType(22), 23);
    EXPECT_EQ(MirrorSpeakerType(23), 22);
    EXPECT_EQ(MirrorSpeakerType(25), 26);
    EXPECT_EQ(MirrorSpeakerType(26), 25);
    for (int t : {-1, 0, 19, 20, 21, 24, 27, 28, 29, 100})
        EXPECT_EQ(MirrorSpeakerType(t), -1);
}

TEST(ModelSpeakerTypes, MirrorIsAnInvolution) {
    for (int t = 0; t < SPEAKER_TYPE_COUNT; ++t) {
        const int m = MirrorSpeakerType(t);
        if (m != -1) {
            EXPECT_EQ(MirrorSpeakerType(m), t);
        }
    }
}

TEST(ModelSpeakerTypes, MenuItemRoundTrip) {
    for (int t = 0; t < SPEAKER_TYPE_COUNT; ++t) {
        EXPECT_EQ(SpeakerTypeOfMenuItem(MenuItemOfSpeakerType(t)), t);
    }
    EXPECT_EQ(SpeakerTypeOfMenuItem("output_menu_front_left_high_freq"), 1);
    EXPECT_EQ(SpeakerTypeOfMenuItem("output_menu_subwoof_right"), 23);
    EXPECT_EQ(SpeakerTypeOfMenuItem("output_menu_rear_center_all_freq"), 28);
}

TEST(ModelSpeakerTypes, HeadersAndUnknownNamesSelectNothing) {
    for (const char* header : {"output_menu_front", "output_menu_front_left", "output_menu_rear",
                               "output_menu_subwoof", "output_menu_center", "", "bogus"}) {
        EXPECT_EQ(SpeakerTypeOfMenuItem(header), -1) << header;
    }
}

TEST(ModelSpeakerTypes, Labels) {
    EXPECT_EQ(ChannelLabelOfSpeakerType(0), "${empty}");
    EXPECT_EQ(ChannelLabelOfSpeakerType(4), "${front_left_mid_twee}");
    EXPECT_EQ(ChannelLabelOfSpeakerType(22), "${left_subwoofer_freq}");
    EXPECT_EQ(ChannelLabelOfSpeakerType(24), "${subwoofer_freq}");
    EXPECT_EQ(ChannelLabelOfSpeakerType(27), "${front_center_all}");
    EXPECT_EQ(MenuTextOfSpeakerType(23), "${right_subwoofer}");
    EXPECT_EQ(MenuTextOfSpeakerType(10), "${midrange_tweeter}");
    EXPECT_EQ(ChannelLabelOfSpeakerType(-1), "");
    EXPECT_EQ(ChannelLabelOfSpeakerType(29), "");
    EXPECT_EQ(MenuItemOfSpeakerType(29), "");
    EXPECT_EQ(MenuTextOfSpeakerType(-5), "");
}
