#pragma once
// Speaker position codes of each output and their menu and label keys.

#include <string_view>

namespace model {

enum SpeakerType : int {
    kSpeakerEmpty = 0,
    kFrontLeftTweeter = 1,
    kFrontLeftMidrange = 2,
    kFrontLeftWoofer = 3,
    kFrontLeftMidTweeter = 4,
    kFrontLeftMidWoofer = 5,
    kFrontLeftFull = 6,
    kFrontRightTweeter = 7,
    kFrontRightMidrange = 8,
    kFrontRightWoofer = 9,
    kFrontRightMidTweeter = 10,
    kFrontRightMidWoofer = 11,
    kFrontRightFull = 12,
    kRearLeftTweeter = 13,
    kRearLeftWoofer = 14,
    kRearLeftFull = 15,
    kRearRightTweeter = 16,
    kRearRightWoofer = 17,
    kRearRightFull = 18,
    kCenterTweeter = 19,
    kCenterWoofer = 20,
    kCenterFull = 21,
    kSubwooferLeft = 22,
    kSubwooferRight = 23,
    kSubwooferLow = 24,
    kRearLeftMidrange = 25,
    kRearRightMidrange = 26,
    kFrontCenterFull = 27,
    kRearCenterFull = 28,
};

inline constexpr int SPEAKER_TYPE_COUNT = 29;

// Left/right counterpart of a type; -1 when it has none.
int MirrorSpeakerType(int type);

// Code selected by an output-menu item name; -1 for headers and unknown names.
int SpeakerTypeOfMenuItem(std::string_view itemName);

// Menu item name, menu text key and channel label key of a code; empty when out of range.
std::string_view MenuItemOfSpeakerType(int type);
std::string_view MenuTextOfSpeakerType(int type);
std::string_view ChannelLabelOfSpeakerType(int type);

}  // namespace model
