#include "model/input_operations.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

#include "model/constants.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "model/volume_text.h"
#include "shell/run_log.h"

namespace model {

namespace {

constexpr int kLiveScene = 0;
// The amplifier takes main volume as attenuation below its top step.
constexpr int kMainVolumeTop = MAX_MAIN_VOLUME;
constexpr int kTickedMixLevel = MAX_MIX_LEVEL;

// A switch field from the device may hold any number; anything but 0 reads as on.
int Flipped(int field) {
    return field != 0 ? 0 : 1;
}

}  // namespace

InputOperations::InputOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes)
    : mLive(live), mLink(link), mChanges(changes) {}

void InputOperations::Tell(ChangeKind kind) {
    mChanges.Publish({.kind = kind, .source = mLive.currentSource});
}

void InputOperations::PollMainVolume() {
    mLink.Get_Main_Volume();
}

void InputOperations::SetInputSource(int source, bool connected) {
    runlog::Log("on %s index %d\n", "EqualizerManager::SetInputSource", source);
    if (!IsSourceIndex(source) || !IsSourceShown(source)) {
        return;
    }
    mLive.currentSource = source;
    Tell(ChangeKind::Inputs);
    if (!connected) {
        return;
    }
    mLink.Source_Switch_Ctrl(SourceDeviceCode(source), true);
    // The amplifier picks the new source's own main volume; the poll brings it back.
    if (mView != nullptr) {
        mView->OnStartMainVolumePoll(MAIN_VOLUME_POLL_COUNT);
    }
}

void InputOperations::SetInputIn(int input, int output, bool on) {
    runlog::Log("SetInputIn in %d out %d\n", input, output);
    // currentSource may come straight from a device reply.
    const int source = mLive.currentSource;
    if (!IsSourceIndex(source) || input >= SourceInputCount(source)) {
        return;
    }
    RouteInput(input, output, on);
}

void InputOperations::RouteInput(int input, int output, bool on) {
    const int source = mLive.currentSource;
    if (!IsSourceIndex(source) || !IsOutputIndex(output) || input < 0 || input >= INPUT_ROWS) {
        return;
    }
    int& mask = mLive.inputs[static_cast<size_t>(source)][static_cast<size_t>(output)];
    const int bit = 1 << input;
    mask = on ? (mask | bit) : (mask & ~bit);
    runlog::Log("outCh %d input = 0x%x\n", output, static_cast<unsigned>(mask));
    int& level = mLive.inputMixVolume[static_cast<size_t>(source)][static_cast<size_t>(input)]
                                     [static_cast<size_t>(output)];
    // A routed input at level 0 would stay silent, which is never what ticking it means.
    const bool raiseLevel = on && level == 0;
    if (raiseLevel) {
        level = kTickedMixLevel;
    }
    Tell(ChangeKind::Inputs);
    const std::array<int, 1> masks{mask};
    mLink.Mix_Ch_Ctrl(kLiveScene, source, output, output, masks, false);
    if (raiseLevel) {
        const std::array<int, 1> trims{kTickedMixLevel};
        mLink.Input_Mix_Trim_Ctrl(kLiveScene, source, input, output, output, trims, false);
    }
}

bool InputOperations::SetMainVolumeEdit(std::string_view text, std::string_view offText) {
    runlog::Log("SetMainVolumeEdit %s\n", std::string(text).c_str());
    const std::optional<int> typed = ParseVolumeText(text, offText, MIN_MAIN_VOLUME);
    if (!typed) {
        // A typo must not jump the amplifier to 0 dB; the edit shows the stored value again.
        Tell(ChangeKind::Globals);
        return false;
    }
    MainVolumeDecided(ClampMainVolume(*typed));
    return true;
}

void InputOperations::SetMainVolumeSlider(int value) {
    runlog::Log("SetMainVolumeSlider %g\n", static_cast<double>(value));
    MainVolumeDecided(ClampMainVolume(value));
}

void InputOperations::SetMainVolumeUp(bool up) {
    runlog::Log("SetMainVolumeUp %d \n", up ? 1 : 0);
    // The slider shows the stored value within its range.
    const int current = ClampMainVolume(mLive.mainVolume);
    const int next = current + (up ? 1 : -1);
    if (next < MIN_MAIN_VOLUME || next > MAX_MAIN_VOLUME) {
        return;
    }
    MainVolumeDecided(next);
}

void InputOperations::MainVolumeDecided(int value) {
    runlog::Log("SetMainVolumeRelatedAfterDecidedValue %g\n", static_cast<double>(value));
    mLive.mainVolume = value;
    // Any volume change lifts the main mute.
    mLive.mainVolumeMute = 0;
    Tell(ChangeKind::Globals);
    mLink.Main_Volume_Ctrl(static_cast<float>(kMainVolumeTop - value), false);
    if (value <= MIN_MAIN_VOLUME) {
        runlog::Log("SetMainVolumeEditText OFF\n");
    }
    runlog::Log("SetMainVolumeEditText %s\n", MainVolumeText(static_cast<float>(value)).c_str());
    runlog::Log("set main mute to %d\n", 0);
    mLink.Mute_Ctrl(0, false);
}

void InputOperations::SetMainMute(bool mute) {
    mLive.mainVolumeMute = mute ? 1 : 0;
    runlog::Log("set main mute to %d\n", mLive.mainVolumeMute);
    Tell(ChangeKind::Globals);
    mLink.Mute_Ctrl(mLive.mainVolumeMute, false);
}

void InputOperations::SetAccRange(int min, int max) {
    if (min > max) {
        std::swap(min, max);
    }
    mAccMin = min;
    mAccMax = max;
}

bool InputOperations::SetAccEdit(std::string_view text, std::string_view offText) {
    runlog::Log("SetAccEdit %s\n", std::string(text).c_str());
    const std::optional<int> typed = ParseVolumeText(text, offText, mAccMin);
    if (!typed) {
        Tell(ChangeKind::Globals);
        return false;
    }
    AccDecided(std::clamp(*typed, mAccMin, mAccMax));
    return true;
}

void InputOperations::SetAccSlider(int value) {
    runlog::Log("SetAccSlider %g\n", static_cast<double>(value));
    AccDecided(std::clamp(value, mAccMin, mAccMax));
}

void InputOperations::SetAccUp(bool up) {
    runlog::Log("SetAccUp %d \n", up ? 1 : 0);
    const int current = std::clamp(mLive.acc, mAccMin, mAccMax);
    const int next = current + (up ? 1 : -1);
    if (next < mAccMin || next > mAccMax) {
        return;
    }
    AccDecided(next);
}

void InputOperations::AccDecided(int value) {
    runlog::Log("SetAccRelatedAfterDecidedValue %d\n", value);
    mLive.acc = value;
    Tell(ChangeKind::Globals);
    mLink.Set_Acc(value, false);
}

void InputOperations::ToggleAmp() {
    mLive.ampOn = Flipped(mLive.ampOn);
    Tell(ChangeKind::Globals);
    mLink.Amp_Mute_Ctrl(mLive.ampOn != 0 ? 0 : 1, false);
}

void InputOperations::ToggleRemOut1() {
    mLive.remOut1 = Flipped(mLive.remOut1);
    runlog::Log("SetRemOut1OnOffButton : %d\n", mLive.remOut1);
    SendRemoteOutputs();
}

void InputOperations::ToggleRemOut2() {
    mLive.remOut2 = Flipped(mLive.remOut2);
    runlog::Log("SetRemOut2OnOffButton : %d\n", mLive.remOut2);
    SendRemoteOutputs();
}

void InputOperations::SendRemoteOutputs() {
    Tell(ChangeKind::Globals);
    // One command carries both outputs, so the untouched one is sent as it stands.
    mLink.Rem_Out_Ctrl(mLive.remOut1 != 0 ? 1 : 0, mLive.remOut2 != 0 ? 1 : 0, false);
}

void InputOperations::ToggleSpkOhm() {
    mLive.spkOhm = Flipped(mLive.spkOhm);
    runlog::Log("SetSpkOhmButton : %d\n", mLive.spkOhm);
    Tell(ChangeKind::Globals);
    mLink.Spk_Ohm_Ctrl(mLive.spkOhm, false);
}

void InputOperations::ToggleNoiseGate() {
    mLive.noiseGate = Flipped(mLive.noiseGate);
    runlog::Log("SetNoiseGateButton : %d\n", mLive.noiseGate);
    Tell(ChangeKind::Globals);
    mLink.Noise_Gate_Ctrl(mLive.noiseGate, false);
}

}  // namespace model
