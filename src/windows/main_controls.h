#pragma once
// The names the main window's layout (main.xml and what it includes) and its menus give their
// controls and items: one place for the code that binds notifications, the code that draws and
// the layout test. A "Format" name takes the index through "%d", as the layout's Repeat writes
// it; a "Prefix" is what every sender of that numbered family starts with.

namespace main_controls {

// Whether text begins with prefix: a numbered name and the prefix its senders are matched by
// must not drift apart.
constexpr bool StartsWith(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (*text != *prefix) {
            return false;
        }
    }
    return true;
}

// ---- top bar ----

inline constexpr char kBtnConnect[] = "btnConnect";
inline constexpr char kBtnOption[] = "btn_option";
inline constexpr char kBtnScene[] = "btn_scene";
inline constexpr char kBtnAdvance[] = "btn_advance";
inline constexpr char kBtnDebug[] = "btn_debug";
inline constexpr char kBtnUndo[] = "btn_undo";
inline constexpr char kBtnRedo[] = "btn_redo";
// Switches between the A/B slots; says which one is live.
inline constexpr char kBtnAb[] = "btn_ab";
inline constexpr char kSoftVersion[] = "soft_version";
inline constexpr char kInnerFwVersion[] = "inner_fw_version";
inline constexpr char kFwVersion[] = "fw_version";
// Handled so that a click on them is not passed on; no layout has them now.
inline constexpr char kWebBtn1[] = "web_btn_1";
inline constexpr char kBtnIrc[] = "btn_irc";

// ---- pages: tab "page_tab_<x>" shows group "page_<x>" ----

inline constexpr char kPageTabPrefix[] = "page_tab_";
inline constexpr char kPagePrefix[] = "page_";
static_assert(StartsWith(kPageTabPrefix, kPagePrefix));

// ---- output strips, one per output ----

// The framed column that holds an output's controls.
inline constexpr char kStripFormat[] = "strip_%d";

inline constexpr char kChEnableFormat[] = "ch_enable_%d";
inline constexpr char kChEnablePrefix[] = "ch_enable_";
static_assert(StartsWith(kChEnableFormat, kChEnablePrefix));
inline constexpr char kChOutputBtnFormat[] = "ch_output_btn_%d";
inline constexpr char kChOutputBtnPrefix[] = "ch_output_btn";
static_assert(StartsWith(kChOutputBtnFormat, kChOutputBtnPrefix));
inline constexpr char kSliderChVolumeFormat[] = "slider_ch_volume_%d";
inline constexpr char kSliderChVolumePrefix[] = "slider_ch_volume_";
static_assert(StartsWith(kSliderChVolumeFormat, kSliderChVolumePrefix));
inline constexpr char kEditChVolumeFormat[] = "edit_ch_volume_%d";
inline constexpr char kEditChVolumePrefix[] = "edit_ch_volume_";
static_assert(StartsWith(kEditChVolumeFormat, kEditChVolumePrefix));
inline constexpr char kChMuteFormat[] = "ch_mute_%d";
inline constexpr char kChMutePrefix[] = "ch_mute_";
static_assert(StartsWith(kChMuteFormat, kChMutePrefix));
inline constexpr char kChPhaseFormat[] = "ch_phase_%d";
inline constexpr char kChPhasePrefix[] = "ch_phase_";
static_assert(StartsWith(kChPhaseFormat, kChPhasePrefix));
inline constexpr char kChSoloFormat[] = "ch_solo_%d";
inline constexpr char kChSoloPrefix[] = "ch_solo_";
static_assert(StartsWith(kChSoloFormat, kChSoloPrefix));
inline constexpr char kChSynchronizeFormat[] = "ch_synchronize_%d";
inline constexpr char kChSynchronizePrefix[] = "ch_synchronize_";
static_assert(StartsWith(kChSynchronizeFormat, kChSynchronizePrefix));
inline constexpr char kDelayLinkFormat[] = "delay_link_%d";
inline constexpr char kDelayLinkPrefix[] = "delay_link_";
static_assert(StartsWith(kDelayLinkFormat, kDelayLinkPrefix));
inline constexpr char kEditChDelayFormat[] = "edit_ch_delay_%d";
inline constexpr char kEditChDelayPrefix[] = "edit_ch_delay_";
static_assert(StartsWith(kEditChDelayFormat, kEditChDelayPrefix));
inline constexpr char kSliderChDelayFormat[] = "slider_ch_delay_%d";
inline constexpr char kSliderChDelayPrefix[] = "slider_ch_delay_";
static_assert(StartsWith(kSliderChDelayFormat, kSliderChDelayPrefix));
inline constexpr char kChShowFormat[] = "ch_show_%d";
inline constexpr char kChShowPrefix[] = "ch_show_";
static_assert(StartsWith(kChShowFormat, kChShowPrefix));

// ---- the current output, and the buttons for all outputs ----

inline constexpr char kLabelChannelName[] = "label_channel_name";
inline constexpr char kSliderChVolume[] = "slider_ch_volume";
// Also the start of every strip's volume field.
inline constexpr char kEditChVolume[] = "edit_ch_volume";
static_assert(StartsWith(kEditChVolumeFormat, kEditChVolume));
inline constexpr char kChMute[] = "ch_mute";
inline constexpr char kChPhase[] = "ch_phase";
inline constexpr char kBtnResetOutput[] = "btn_reset_output";
inline constexpr char kBtnLockOutput[] = "btn_lock_output";
inline constexpr char kBtnLinkOutput[] = "btn_link_output";
inline constexpr char kBtnResetLink[] = "btn_reset_link";
inline constexpr char kBtnDelayDown[] = "btn_delay_down";
inline constexpr char kBtnDelayUp[] = "btn_delay_up";
inline constexpr char kCombChUnit[] = "comb_ch_unit";
// Handled so that a choice is not passed on; no layout has it now.
inline constexpr char kBtnChannelSelect[] = "btn_channel_select";

// ---- speaker positions, numbered from 1 ----

inline constexpr char kSpeakerFormat[] = "speaker_%d";
inline constexpr char kSpeakerPrefix[] = "speaker_";
static_assert(StartsWith(kSpeakerFormat, kSpeakerPrefix));
inline constexpr char kSpkConFormat[] = "spk_con_%d";
inline constexpr char kSpkDelayFormat[] = "spk_delay_%d";
inline constexpr char kSpkDelayPrefix[] = "spk_delay_";
static_assert(StartsWith(kSpkDelayFormat, kSpkDelayPrefix));

// ---- crossover, bands and the graph ----

inline constexpr char kHpType[] = "hp_type";
inline constexpr char kLpType[] = "lp_type";
inline constexpr char kHpSlop[] = "hp_slop";
inline constexpr char kLpSlop[] = "lp_slop";
inline constexpr char kHpFreq[] = "hp_freq";
inline constexpr char kLpFreq[] = "lp_freq";
inline constexpr char kBtnResetEq[] = "btn_reset_eq";
inline constexpr char kBtnBypass[] = "btn_bypass";
inline constexpr char kBtnArgEq[] = "btn_arg_eq";
inline constexpr char kEqualizer[] = "equalizer";
// Shows the sum of the shown outputs' curves in the graph; a view setting, never sent.
inline constexpr char kCheckSumCurves[] = "check_sum_curves";
inline constexpr char kEqFreqFormat[] = "eq_freq_%d";
inline constexpr char kEqFreqPrefix[] = "eq_freq_";
static_assert(StartsWith(kEqFreqFormat, kEqFreqPrefix));
inline constexpr char kEqQFormat[] = "eq_q_%d";
inline constexpr char kEqQPrefix[] = "eq_q_";
static_assert(StartsWith(kEqQFormat, kEqQPrefix));
inline constexpr char kEqGainFormat[] = "eq_gain_%d";
inline constexpr char kEqGainPrefix[] = "eq_gain_";
static_assert(StartsWith(kEqGainFormat, kEqGainPrefix));
inline constexpr char kEqSliderFormat[] = "eq_slider_%d";
inline constexpr char kEqSliderPrefix[] = "eq_slider_";
static_assert(StartsWith(kEqSliderFormat, kEqSliderPrefix));
inline constexpr char kPtEnableFormat[] = "pt_enable_%d";
inline constexpr char kPtEnablePrefix[] = "pt_enable_";
static_assert(StartsWith(kPtEnableFormat, kPtEnablePrefix));

// ---- inputs, routing, bridges and switches ----

inline constexpr char kBtnInputSource[] = "btn_input_source";
// Input first, then output.
inline constexpr char kOptionChInFormat[] = "option_ch_in%d_%d";
inline constexpr char kOptionChInPrefix[] = "option_ch_in";
static_assert(StartsWith(kOptionChInFormat, kOptionChInPrefix));
inline constexpr char kChBridgeFormat[] = "ch_bridge_%d";
inline constexpr char kChBridgePrefix[] = "ch_bridge_";
static_assert(StartsWith(kChBridgeFormat, kChBridgePrefix));
inline constexpr char kBridgeCheckboxFormat[] = "bridge_checkbox_%d";
inline constexpr char kBridgeCheckboxPrefix[] = "bridge_checkbox_";
static_assert(StartsWith(kBridgeCheckboxFormat, kBridgeCheckboxPrefix));
inline constexpr char kSliderMainVolume[] = "slider_main_volume";
inline constexpr char kEditMainVolume[] = "edit_main_volume";
inline constexpr char kMainMute[] = "main_mute";
inline constexpr char kSliderAcc[] = "slider_acc";
inline constexpr char kEditAcc[] = "edit_acc";
inline constexpr char kBtnAmpOnoff[] = "btn_amp_onoff";
inline constexpr char kBtnRemOut1Onoff[] = "btn_rem_out1_onoff";
inline constexpr char kBtnRemOut2Onoff[] = "btn_rem_out2_onoff";
inline constexpr char kBtn2OhmSpk[] = "btn_2ohm_spk";
inline constexpr char kBtnNoiseGate[] = "btn_noise_gate";

// ---- menu items ----

inline constexpr char kOptionItemFirmwareUpgrade[] = "option_item_firmware_upgrade";
inline constexpr char kOptionItemResetDefault[] = "option_item_reset_default";
inline constexpr char kOptionItemClearHistory[] = "option_item_clear_history";
inline constexpr char kOptionItemLanguageEn[] = "option_item_language_en";
inline constexpr char kOptionItemLanguageCn[] = "option_item_language_cn";
inline constexpr char kOptionItemLanguageRu[] = "option_item_language_ru";
// The one item switching between English and Chinese; the shipped menu has one per language.
inline constexpr char kOptionItemLanguage[] = "option_item_language";
inline constexpr char kOptionItemAbout[] = "option_item_about";
// The A/B slots' submenu.
inline constexpr char kOptionItemAbCopyAToB[] = "option_item_ab_copy_a_to_b";
inline constexpr char kOptionItemAbCopyBToA[] = "option_item_ab_copy_b_to_a";
inline constexpr char kOptionItemAbSave[] = "option_item_ab_save";
inline constexpr char kOptionItemAbLoad[] = "option_item_ab_load";
inline constexpr char kSceneItemLoadScene[] = "scene_item_load_scene";
inline constexpr char kSceneItemSaveasScene[] = "scene_item_saveas_scene";
inline constexpr char kSceneItemDeleteScene[] = "scene_item_delete_scene";
inline constexpr char kSceneItemLoadFile[] = "scene_item_load_file";
inline constexpr char kSceneItemSaveFile[] = "scene_item_save_file";
inline constexpr char kSceneItemLoadWhole[] = "scene_item_load_whole";
inline constexpr char kSceneItemSaveWhole[] = "scene_item_save_whole";
inline constexpr char kAdvanceItemMixer[] = "advance_item_mixer";
inline constexpr char kAdvanceItemCustomEq[] = "advance_item_custom_eq";
inline constexpr char kAdvanceItemNoiseThreshold[] = "advance_item_noise_threshold";
inline constexpr char kAdvanceItemCompressorsOn[] = "advance_item_compressors_on";
inline constexpr char kAdvanceItemAutocal[] = "advance_item_autocal";
inline constexpr char kAdvanceItemPoweroffDelay[] = "advance_item_poweroff_delay";
inline constexpr char kAdvanceItemCsAuto[] = "advance_item_cs_auto";
inline constexpr char kAdvanceItemKtv[] = "advance_item_ktv";
inline constexpr char kAdvanceItemCompressor[] = "advance_item_compressor";
// The output menu's filter list items, for the output the menu was opened on.
inline constexpr char kFiltersItemImport[] = "filters_item_import";
inline constexpr char kFiltersItemExport[] = "filters_item_export";
// The speaker-type items (named by the model) all contain one of these.
inline constexpr char kOutputMenuItemPart[] = "output_menu";
inline constexpr char kOutputItemPart[] = "output_item";
// Group items end in the group number.
inline constexpr char kLinkGroupItemPrefix[] = "link_group_";
inline constexpr char kDelayLinkGroupItemPrefix[] = "delay_link_group_";

}  // namespace main_controls
