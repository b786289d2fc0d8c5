#pragma once
// Control names of the mixer window ("XML_MIXER"). Cell names carry the output first, then
// the mixer row.

namespace mixer_controls {

inline constexpr char kColumnFormat[] = "column_%d";
inline constexpr char kOutDistortFormat[] = "out_distort_%d";
inline constexpr char kBoxFormat[] = "box_%d_%d";
inline constexpr char kBoxEnableFormat[] = "box_enable_%d_%d";
inline constexpr char kBoxVolumeFormat[] = "box_volume_%d_%d";
inline constexpr char kBoxEditFormat[] = "box_edit_%d_%d";
inline constexpr char kBoxEnablePrefix[] = "box_enable_";
inline constexpr char kBoxVolumePrefix[] = "box_volume_";
inline constexpr char kBoxEditPrefix[] = "box_edit_";
inline constexpr char kLeftBoxFormat[] = "left_box_%d";
inline constexpr char kTitleLabelFormat[] = "title_label_%d";
inline constexpr char kInPhaseFormat[] = "in_phase_%d";
inline constexpr char kInPhasePrefix[] = "in_phase_";
inline constexpr char kInDistortFormat[] = "in_distort_%d";
inline constexpr char kViceSourceFormat[] = "cmb_csm_vice_source_%d";
inline constexpr char kViceSourcePrefix[] = "cmb_csm_vice_source_";
inline constexpr char kViceGainFormat[] = "csm_vice_gain_edit_%d";
inline constexpr char kViceGainPrefix[] = "csm_vice_gain_edit_";
inline constexpr char kChBridgeFormat[] = "ch_bridge_%d";
inline constexpr char kChBridgePrefix[] = "ch_bridge_";
inline constexpr char kChannelNameArea[] = "channel_name_area";
inline constexpr char kBtnResetInput[] = "btn_reset_input";
inline constexpr char kCloseBtn[] = "closebtn";
inline constexpr char kConfirmBtn[] = "confirm_btn";

inline constexpr char kClipImage[] = "off.png";
inline constexpr char kNoClipImage[] = "on.png";

inline constexpr char kNameAreaHi[] = "xml/channel_name_area_hi_source.xml";
inline constexpr char kNameAreaLow[] = "xml/channel_name_area_low_source.xml";
inline constexpr char kNameAreaAux[] = "xml/channel_name_area_aux_source.xml";
inline constexpr char kNameArea2ch[] = "xml/channel_name_area_2ch_source.xml";

}  // namespace mixer_controls
