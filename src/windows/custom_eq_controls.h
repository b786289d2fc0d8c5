#pragma once
// The names the custom EQ window's layout (custom_eq.xml) gives its controls: one place for
// the code that looks them up, the code that binds their notifications and the tests. A
// "Prefix" is followed by the point's number.

#include "windows/dialog_controls.h"

namespace custom_eq_controls {

inline constexpr char kEqFreqPrefix[] = "eq_freq_";
inline constexpr char kEqQPrefix[] = "eq_q_";
inline constexpr char kEqGainPrefix[] = "eq_gain_";
inline constexpr char kEqSliderPrefix[] = "eq_slider_";
inline constexpr char kPtEnablePrefix[] = "pt_enable_";
inline constexpr char kEqualizer[] = "equalizer";
inline constexpr char kBtnResetEq[] = "btn_reset_eq";
inline constexpr char kBtnResetCustomEq[] = "btn_reset_custom_eq";
using dialog_controls::kCloseBtn;
using dialog_controls::kConfirmBtn;

}  // namespace custom_eq_controls
