#pragma once
// The names the KTV layout (ktv.xml) gives its controls: one place for the code that looks
// them up and the tests.

namespace ktv_controls {

inline constexpr char kSliderMicVolume[] = "slider_mic_volume";
inline constexpr char kEditMicVolume[] = "edit_mic_volume";
inline constexpr char kSliderBgmusicVolume[] = "slider_bgmusic_volume";
inline constexpr char kEditBgmusicVolume[] = "edit_bgmusic_volume";
inline constexpr char kOptionHowlingControl[] = "option_howling_control";
inline constexpr char kSliderEchoLevel[] = "slider_echo_level";
inline constexpr char kEditEchoLevel[] = "edit_echo_level";
inline constexpr char kSliderEchoDelay[] = "slider_echo_delay";
inline constexpr char kEditEchoDelay[] = "edit_echo_delay";
inline constexpr char kSliderReverbLevel[] = "slider_reverb_level";
inline constexpr char kEditReverbLevel[] = "edit_reverb_level";
inline constexpr char kSliderReverbTime[] = "slider_reverb_time";
inline constexpr char kEditReverbTime[] = "edit_reverb_time";
inline constexpr char kSliderVoiceChanger[] = "slider_voice_changer";
inline constexpr char kEditVoiceChanger[] = "edit_voice_changer";
inline constexpr char kSliderBass[] = "slider_bass";
inline constexpr char kEditBass[] = "edit_bass";
inline constexpr char kSliderTreble[] = "slider_treble";
inline constexpr char kEditTreble[] = "edit_treble";
inline constexpr char kConfirmBtn[] = "confirm_btn";
inline constexpr char kCloseBtn[] = "closebtn";

}  // namespace ktv_controls
