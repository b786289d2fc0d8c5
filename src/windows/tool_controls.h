#pragma once
// The names the small tool windows' layouts (noise_threshold.xml, poweroff_delay.xml,
// mem_wr.xml, cs_auto.xml) give their controls. A "Format" name takes the input, switch or
// factor number through "%d".

namespace tool_controls {

// Shared by the noise threshold and power-off delay windows.
inline constexpr char kValueEdt[] = "value_edt";
inline constexpr char kConfirmBtn[] = "confirm_btn";
inline constexpr char kCancelBtn[] = "cancel_btn";
inline constexpr char kCloseBtn[] = "closebtn";
inline constexpr char kCaptionBar[] = "caption_bar";
inline constexpr char kCaptionLine[] = "caption_line";

// Noise threshold: one column per input.
inline constexpr char kProgressFormat[] = "progress_%d";
inline constexpr char kInFormat[] = "in_%d";
inline constexpr char kNoiseFormat[] = "noise_%d";
inline constexpr char kPrgGroupFormat[] = "prg_group_%d";

// Power-off delay.
inline constexpr char kSliderPoweroffDelay[] = "slider_poweroff_delay";

// DSP memory.
inline constexpr char kAddrEdit[] = "addr_edit";
inline constexpr char kDataEdit[] = "data_edit";
inline constexpr char kReadBtn[] = "read_btn";
inline constexpr char kWriteBtn[] = "write_btn";

// Speaker auto-configuration.
inline constexpr char kBtnAutoFormat[] = "btn_auto_%d";
inline constexpr char kSliderAutoFormat[] = "slider_auto_%d";
inline constexpr char kEditAutoFormat[] = "edit_auto_%d";
// In the record's order: mode, front, surround, subwoofer.
inline constexpr char kComboMode[] = "combo_mode";
inline constexpr char kComboFront[] = "combo_front";
inline constexpr char kComboSurround[] = "combo_surround";
inline constexpr char kComboSubwoofer[] = "combo_subwoofer";
inline constexpr char kBtnRestoreCsAuto[] = "btn_restore_cs_auto";

}  // namespace tool_controls
