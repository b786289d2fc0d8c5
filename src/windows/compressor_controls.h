#pragma once
// The names the compressor layouts (compressor.xml for one output, compressors_on.xml for all
// outputs) give their controls: one place for the code that looks them up and the tests. A
// "Format" takes the parameter's name part through "%s" and the output through "%d".

namespace compressor_controls {

// ---- compressor.xml ----
inline constexpr char kSliderNoise[] = "slider_noise";
inline constexpr char kEditNoise[] = "edit_noise";
inline constexpr char kSliderRatio[] = "slider_ratio";
inline constexpr char kEditRatio[] = "edit_ratio";
inline constexpr char kSliderSoftKnee[] = "slider_soft_knee";
inline constexpr char kEditSoftKnee[] = "edit_soft_knee";
inline constexpr char kSliderAttackTime[] = "slider_attack_time";
inline constexpr char kEditAttackTime[] = "edit_attack_time";
inline constexpr char kSliderReleaseTime[] = "slider_release_time";
inline constexpr char kEditReleaseTime[] = "edit_release_time";
inline constexpr char kBtnBp[] = "btn_bp";
inline constexpr char kCurrChannelText[] = "curr_channel_text";

// ---- compressors_on.xml ----
inline constexpr char kSliderFormat[] = "slider_%s_%d";
inline constexpr char kEditFormat[] = "edit_%s_%d";
inline constexpr char kSliderPrefix[] = "slider_";
inline constexpr char kEditPrefix[] = "edit_";
inline constexpr char kThreshold[] = "threshold";
inline constexpr char kAttackTime[] = "attack_time";
inline constexpr char kReleaseTime[] = "release_time";
inline constexpr char kBoxEnableFormat[] = "box_enable_%d";
inline constexpr char kBoxEnablePrefix[] = "box_enable_";
inline constexpr char kColumnFormat[] = "column_%d";

// ---- both ----
inline constexpr char kMinBtn[] = "minbtn";
inline constexpr char kCloseBtn[] = "closebtn";
inline constexpr char kConfirmBtn[] = "confirm_btn";
inline constexpr char kCancelBtn[] = "cancel_btn";

}  // namespace compressor_controls
