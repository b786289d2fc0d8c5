#pragma once
// The names the calibration window's layout (auto_cal.xml) gives its controls. A "Format" name
// takes the channel or option index through "%d".

namespace calibration_controls {

inline constexpr char kCloseBtn[] = "closebtn";
inline constexpr char kChannelBoxFormat[] = "ch_checkbox_%d";
inline constexpr char kDistanceFormat[] = "ch_dist_%d";
inline constexpr char kEffectFormat[] = "audio_effect_%d";
inline constexpr char kModuleEq[] = "irc_eq";
inline constexpr char kModuleDelay[] = "irc_delay";
inline constexpr char kModulePhase[] = "irc_phase";
inline constexpr char kGraph[] = "equalizer_ac";
inline constexpr char kDisplayEq[] = "display_eq";
inline constexpr char kDisplaySpectrum[] = "display_spk";
inline constexpr char kProgress[] = "progress";
inline constexpr char kTips[] = "tips";
inline constexpr char kFigures[] = "irc_figures";
inline constexpr char kStart[] = "start_auto_cal";
inline constexpr char kApply[] = "irc_save_data";
inline constexpr char kDiscard[] = "irc_cancel_data";
inline constexpr char kExport[] = "irc_export";

}  // namespace calibration_controls
