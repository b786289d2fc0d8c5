#include "model/speaker_types.h"

namespace model {

namespace {

struct SpeakerRow {
    std::string_view item, text, label;
};

constexpr SpeakerRow kSpeakers[SPEAKER_TYPE_COUNT] = {
    {"output_item_empty", "${empty}", "${empty}"},
    {"output_menu_front_left_high_freq", "${tweeter}", "${front_left_tweeter}"},
    {"output_menu_front_left_mid_freq", "${midrange}", "${front_left_midrange}"},
    {"output_menu_front_left_low_freq", "${woofer}", "${front_left_woofer}"},
    {"output_menu_front_left_mid_high_freq", "${midrange_tweeter}", "${front_left_mid_twee}"},
    {"output_menu_front_left_mid_low_freq", "${midrange_woofer}", "${front_left_mid_woof}"},
    {"output_menu_front_left_all_freq", "${full}", "${front_left_full}"},
    {"output_menu_front_right_high_freq", "${tweeter}", "${front_right_tweeter}"},
    {"output_menu_front_right_mid_freq", "${midrange}", "${front_right_midrange}"},
    {"output_menu_front_right_low_freq", "${woofer}", "${front_right_woofer}"},
    {"output_menu_front_right_mid_high_freq", "${midrange_tweeter}", "${front_right_mid_twee}"},
    {"output_menu_front_right_mid_low_freq", "${midrange_woofer}", "${front_right_mid_woof}"},
    {"output_menu_front_right_all_freq", "${full}", "${front_right_full}"},
    {"output_menu_rear_left_high_freq", "${tweeter}", "${rear_left_tweeter}"},
    {"output_menu_rear_left_low_freq", "${woofer}", "${rear_left_woofer}"},
    {"output_menu_rear_left_all_freq", "${full}", "${rear_left_full}"},
    {"output_menu_rear_right_high_freq", "${tweeter}", "${rear_right_tweeter}"},
    {"output_menu_rear_right_low_freq", "${woofer}", "${rear_right_woofer}"},
    {"output_menu_rear_right_all_freq", "${full}", "${rear_right_full}"},
    {"output_menu_center_high_freq", "${tweeter}", "${center_tweeter}"},
    {"output_menu_center_low_freq", "${woofer}", "${center_woofer}"},
    {"output_menu_center_all_freq", "${full}", "${center_full}"},
    {"output_menu_subwoof_left", "${left_subwoofer}", "${left_subwoofer_freq}"},
    {"output_menu_subwoof_right", "${right_subwoofer}", "${right_subwoofer_freq}"},
    {"output_menu_subwoof_low", "${woofer}", "${subwoofer_freq}"},
    {"output_menu_rear_left_mid_freq", "${midrange}", "${rear_left_mid}"},
    {"output_menu_rear_right_mid_freq", "${midrange}", "${rear_right_mid}"},
    {"output_menu_front_center_all_freq", "${full}", "${front_center_all}"},
    {"output_menu_rear_center_all_freq", "${full}", "${rear_center_all}"},
};

constexpr bool IsType(int type) {
    return type >= 0 && type < SPEAKER_TYPE_COUNT;
}

}  // namespace

int MirrorSpeakerType(int type) {
    if (type >= 1 && type <= 6)
        return type + 6;
    if (type >= 7 && type <= 12)
        return type - 6;
    if (type >= 13 && type <= 15)
        return type + 3;
    if (type >= 16 && type <= 18)
        return type - 3;
    if (type == kSubwooferLeft)
        return kSubwooferRight;
    if (type == kSubwooferRight)
        return kSubwooferLeft;
    if (type == kRearLeftMidrange)
        return kRearRightMidrange;
    if (type == kRearRightMidrange)
        return kRearLeftMidrange;
    return -1;
}

int SpeakerTypeOfMenuItem(std::string_view itemName) {
    for (int t = 0; t < SPEAKER_TYPE_COUNT; ++t) {
        if (kSpeakers[t].item == itemName)
            return t;
    }
    return -1;
}

std::string_view MenuItemOfSpeakerType(int type) {
    return IsType(type) ? kSpeakers[type].item : "";
}

std::string_view MenuTextOfSpeakerType(int type) {
    return IsType(type) ? kSpeakers[type].text : "";
}

std::string_view ChannelLabelOfSpeakerType(int type) {
    return IsType(type) ? kSpeakers[type].label : "";
}

}  // namespace model
