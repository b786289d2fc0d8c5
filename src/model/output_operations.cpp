#include "model/output_operations.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "model/crossover.h"
#include "model/links.h"
#include "model/speaker_types.h"
#include "model/value_ranges.h"
#include "model/volume_text.h"
#include "shell/run_log.h"

namespace model {

namespace {

// Link groups take the current output's EQ bypass only among these outputs.
constexpr int kBypassGroupOutputs = 8;
constexpr int kVolumeClick = 10;

constexpr int kLowPassFilter = 1;
constexpr int kHighPassFilter = 2;

int ClampSlider(int value) {
    return std::clamp(value, CH_VOLUME_SLIDER_MIN, CH_VOLUME_SLIDER_MAX);
}

// A follower's gain moved by d dB, in slider units cut towards zero. A value that is a whole
// step up to float noise keeps that step, so -7.3 + 1.0 stays -6.3 and not -6.2.
int ShiftedSlider(float gain, double dDb) {
    if (std::isnan(gain) || std::isnan(dDb)) {
        return CH_VOLUME_SLIDER_MIN;
    }
    const double units = static_cast<double>(ClampOutputGain(gain)) * 10.0 + dDb * 10.0;
    const double nearest = std::round(units);
    const double cut = std::fabs(units - nearest) < 1e-3 ? nearest : std::trunc(units);
    return ClampSlider(static_cast<int>(std::clamp(cut, -100000.0, 100000.0)));
}

// Menu groups of speaker types (0 = no group) and which bands each type covers.
constexpr std::array<int, SPEAKER_TYPE_COUNT> kMenuGroup = {
    0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 3, 4, 0, 0};
constexpr std::array<int, SPEAKER_TYPE_COUNT> kBandMask = {
    0, 4, 2, 1, 6, 3, 7, 4, 2, 1, 6, 3, 7, 4, 1, 7, 4, 1, 7, 4, 1, 7, 4, 2, 7, 2, 2, 7, 7};

bool IsSpeakerType(int type) {
    return type >= 0 && type < SPEAKER_TYPE_COUNT;
}

bool IsSpeakerPosition(int k) {
    return k >= 1 && k <= SPEAKER_POSITIONS;
}

}  // namespace

OutputOperations::OutputOperations(ProfileRecord& live, dsplink::DspLink& link, JobRunner& jobs,
                                   ManagerEvents* events, ChannelCurves& curves,
                                   ModelChanges& changes)
    : mLive(live), mLink(link), mJobs(jobs), mEvents(events), mCurves(curves), mChanges(changes) {}

int OutputOperations::SliderOf(float gain) {
    if (std::isnan(gain)) {
        return CH_VOLUME_SLIDER_MIN;
    }
    return ClampSlider(static_cast<int>(std::lround(ClampOutputGain(gain) * 10.0f)));
}

// ---- sending ----

void OutputOperations::SendTrim(int first, int last) {
    std::vector<float> trims;
    for (int i = first; i <= last; ++i) {
        // The amplifier takes attenuation, not gain.
        trims.push_back(0.0f - mLive.channels[i].gain);
    }
    mLink.Trim_Ctrl(kScene, kSource, first, last, trims, kQueued);
}

void OutputOperations::SendDelay(int a) {
    const float delay[] = {mLive.channels[a].delay};
    mLink.Delay_Ctrl(kScene, kSource, a, a, delay, kQueued);
}

void OutputOperations::SendMute(int a) {
    const int mute[] = {mLive.channels[a].mute};
    mLink.Mute_Ch_Ctrl(kScene, kSource, a, a, mute, kQueued);
}

void OutputOperations::SendSoloAll() {
    std::array<int, OUTPUT_CHANNELS> solo{};
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        solo[i] = mLive.channels[i].solo;
    }
    mLink.Solo_Ctrl(kScene, kSource, 0, OUTPUT_CHANNELS - 1, solo, kQueued);
}

void OutputOperations::SendFilters(int a) {
    const Crossover& x = mLive.channels[a].crossover;
    mLink.Filter_Ctrl(kScene, kSource, a, kLowPassFilter, x.lp.type(), x.lp.fs(), x.lp.slope(),
                      kQueued);
    mLink.Filter_Ctrl(kScene, kSource, a, kHighPassFilter, x.hp.type(), x.hp.fs(), x.hp.slope(),
                      kQueued);
}

void OutputOperations::SendLinkState(std::span<const std::pair<int, int>> pairs) {
    mLink.CH_Link_Ctrl(kScene, mLive.linkMode == 1 ? 1 : 0, pairs, kQueued);
}

void OutputOperations::NotifyOutput(int a) {
    mChanges.Publish({.kind = ChangeKind::Output, .output = a});
}

void OutputOperations::NotifyCurves() {
    Tell(ChangeKind::Curves);
}

void OutputOperations::Tell(ChangeKind kind) {
    mChanges.Publish({.kind = kind});
}

bool OutputOperations::InLinkGroupOf(int a, int i) const {
    return i != a && mLive.linkSel[a] > 0 && mLive.linkSel[i] == mLive.linkSel[a];
}

int OutputOperations::OutputOfSpeaker(int k) const {
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        if (mLive.outputs[i] == k) {
            return i;
        }
    }
    return -1;
}

void OutputOperations::ClearLinkMode() {
    mLive.linkMode = 0;
    mLive.linkOutputs.fill(-1);
}

// ---- current output ----

void OutputOperations::SetCurChannelChange(int a) {
    runlog::Log("on SetCurChannelChange channel index %d\n", a);
    if (!IsOutputIndex(a)) {
        return;
    }
    mLive.currOutChannel = a;
    SendMute(a);
    mChanges.Publish({.kind = ChangeKind::CurrentOutput, .output = a});
    NotifyCurves();
}

// ---- volume ----

void OutputOperations::StoreVolume(int a, int sliderValue, bool fromUser) {
    OutputChannel& ch = mLive.channels[a];
    // The slider has tenths, the amplifier whole dB: keep what it will play.
    ch.gain = WireOutputGain(static_cast<float>(ClampSlider(sliderValue)) / 10.0f);
    SendTrim(a, a);
    if (fromUser) {
        ch.mute = 0;
        SendMute(a);
    }
    NotifyOutput(a);
}

void OutputOperations::SetChVolume(int a, int sliderValue, bool fromUser, bool force) {
    if (!IsOutputIndex(a)) {
        return;
    }
    if (fromUser && a != mLive.currOutChannel) {
        SetCurChannelChange(a);
    }
    const float before = mLive.channels[a].gain;
    StoreVolume(a, sliderValue, fromUser);
    const float after = mLive.channels[a].gain;
    const double d = static_cast<double>(after) - static_cast<double>(before);
    if (d == 0.0 && !force) {
        return;
    }

    const std::optional<int> partner = LinkPartner(mLive, a);
    std::array<bool, OUTPUT_CHANNELS> done{};
    done[a] = true;
    if (partner) {
        done[*partner] = true;
    }
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        if (done[i] || !InLinkGroupOf(a, i)) {
            continue;
        }
        const int value = ShiftedSlider(mLive.channels[i].gain, d);
        StoreVolume(i, value, fromUser);
        done[i] = true;
        // A bridged pair plays as one output: both halves take the same value.
        const int other = i ^ 1;
        if (mLive.bridgeOutputs[i / 2] == 1 && !done[other]) {
            StoreVolume(other, value, fromUser);
            done[other] = true;
        }
    }
    if (partner) {
        // Forced (linking), the partner takes the value itself so that the pair matches.
        const int value = force ? SliderOf(after) : ShiftedSlider(mLive.channels[*partner].gain, d);
        StoreVolume(*partner, value, fromUser);
    }
}

void OutputOperations::SetChVolumeUp(int a, bool up) {
    if (!IsOutputIndex(a)) {
        return;
    }
    const int now = SliderOf(mLive.channels[a].gain);
    const int next = ClampSlider(now + (up ? kVolumeClick : -kVolumeClick));
    if (next == now) {
        return;
    }
    SetChVolume(a, next, true);
}

bool OutputOperations::SetChVolumeEdit(int a, std::string_view text, std::string_view offText) {
    if (!IsOutputIndex(a)) {
        return false;
    }
    const std::optional<int> db = ParseVolumeText(text, offText, static_cast<int>(MIN_OUTPUT_GAIN));
    if (!db) {
        return false;
    }
    SetChVolume(a, ClampSlider(*db * 10), true);
    return true;
}

// ---- mute, phase, solo ----

void OutputOperations::StoreMute(int a, int mute) {
    mLive.channels[a].mute = mute;
    runlog::Log("channel %d mute seleted %d\n", a, mute);
    SendMute(a);
    NotifyOutput(a);
}

void OutputOperations::SetChMute(int a, bool mute) {
    if (!IsOutputIndex(a)) {
        return;
    }
    StoreMute(a, mute ? 1 : 0);
    if (mLive.bridgeOutputs[a / 2] == 1) {
        StoreMute(a ^ 1, mute ? 1 : 0);
    }
}

void OutputOperations::StorePhase(int a, int phase) {
    mLive.channels[a].phase = phase;
    runlog::Log("channel %d phase seleted %d\n", a, phase);
    const int value[] = {phase};
    mLink.Phase_Ctrl(kScene, kSource, a, a, value, kQueued);
    NotifyOutput(a);
}

void OutputOperations::SetChPhase(int a, bool phase) {
    if (!IsOutputIndex(a)) {
        return;
    }
    StorePhase(a, phase ? 1 : 0);
    if (mLive.bridgeOutputs[a / 2] == 1) {
        StorePhase(a ^ 1, phase ? 1 : 0);
    }
}

void OutputOperations::SetChSolo(int a, bool on) {
    if (!IsOutputIndex(a)) {
        return;
    }
    mLive.soloChannel = a;
    ApplySolo(a, on);
    SetCurChannelChange(a);
}

void OutputOperations::ApplySolo(int a, bool on) {
    if (!IsOutputIndex(a)) {
        return;
    }
    runlog::Log("channel %d solo seleted %d\n", a, on ? 1 : 0);
    const std::optional<int> partner = LinkPartner(mLive, a);
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        if (i == a || (partner && i == *partner)) {
            mLive.channels[i].solo = on ? 1 : 0;
        } else if (on) {
            mLive.channels[i].solo = 0;
        }
    }
    SendSoloAll();
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        NotifyOutput(i);
    }
}

// ---- link groups ----

void OutputOperations::SetLinkGroup(int a, int group) {
    if (!IsOutputIndex(a) || group < 0) {
        return;
    }
    runlog::Log("channel %d synchronize seleted %d\n", a, group);
    mLive.linkSel[a] = group;
    NotifyOutput(a);
    if (mLive.bridgeOutputs[a / 2] == 1) {
        runlog::Log("channel %d synchronize seleted %d\n", a ^ 1, group);
        mLive.linkSel[a ^ 1] = group;
        NotifyOutput(a ^ 1);
    }

    const int c = mLive.currOutChannel;
    if (group >= 1 && IsOutputIndex(c) && c < kBypassGroupOutputs && mLive.linkSel[c] > 0) {
        bool changed = false;
        for (int i = 0; i < kBypassGroupOutputs; ++i) {
            if (!InLinkGroupOf(c, i)) {
                continue;
            }
            mLive.channels[i].bypass = mLive.channels[c].bypass;
            const int bypass[] = {mLive.channels[i].bypass};
            mLink.PEQ_Bypass_Ctrl(kScene, kSource, i, i, bypass, kQueued);
            mCurves.UpdateChannelCurve(mLive, i);
            changed = true;
        }
        if (changed) {
            NotifyCurves();
        }
    }

    // Members keep their own gains (a re-read of the whole-dB text would round them).
    if (mLive.linkSel[a] > 0) {
        SendTrim(0, OUTPUT_CHANNELS - 1);
    }

    Tell(ChangeKind::LinkLock);
    SetCurChannelChange(a);
}

void OutputOperations::ToggleLinkGroup(int a) {
    if (!IsOutputIndex(a)) {
        return;
    }
    SetLinkGroup(a, mLive.linkSel[a] == 0 ? 1 : 0);
}

void OutputOperations::ResetLinks() {
    const int current = mLive.currOutChannel;
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        SetLinkGroup(i, 0);
    }
    // Each step selects its output; the user stays on the one being edited.
    SetCurChannelChange(current);
}

void OutputOperations::SetDelayLinkGroup(int a, int group) {
    if (!IsOutputIndex(a) || group < 0) {
        return;
    }
    runlog::Log("channel %d dealy link seleted %d\n", a, group);
    mLive.delayLinkSel[a] = group;
    NotifyOutput(a);
    if (mLive.bridgeOutputs[a / 2] == 1) {
        mLive.delayLinkSel[a ^ 1] = group;
        NotifyOutput(a ^ 1);
    }
    Tell(ChangeKind::LinkLock);
    SetCurChannelChange(a);
}

// ---- delay ----

void OutputOperations::StoreDelay(int a, float ms) {
    mLive.channels[a].delay = QuantizeDelayMs(ms, mDelayUnit);
    SendDelay(a);
    NotifyOutput(a);
    if (mLive.outputs[a] >= 1) {
        Tell(ChangeKind::SpeakerMap);
    }
}

void OutputOperations::ApplyDelay(int a, float ms) {
    const float before = mLive.channels[a].delay;
    StoreDelay(a, ms);
    const float d = mLive.channels[a].delay - before;
    if (d == 0.0f) {
        return;
    }
    const std::optional<int> partner = LinkPartner(mLive, a);
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        if (InLinkGroupOf(a, i) && !(partner && i == *partner)) {
            StoreDelay(i, mLive.channels[i].delay + d);
        }
    }
    if (partner) {
        StoreDelay(*partner, mLive.channels[*partner].delay + d);
    }
}

void OutputOperations::SetChDelay(int a, float ms) {
    if (!IsOutputIndex(a)) {
        return;
    }
    ApplyDelay(a, ms);
}

bool OutputOperations::SetChDelayEdit(int a, std::string_view text) {
    if (!IsOutputIndex(a)) {
        return false;
    }
    const std::optional<float> ms = ParseDelayText(text, mDelayUnit);
    if (!ms) {
        return false;
    }
    runlog::Log("%s %d ms_value = %d\n", "EqualizerManager::SetChDelayEdit", a,
                static_cast<int>(ClampDelayMs(*ms)));
    ApplyDelay(a, *ms);
    return true;
}

void OutputOperations::SetChDelaySlider(int a, int us) {
    if (!IsOutputIndex(a)) {
        return;
    }
    ApplyDelay(a, static_cast<float>(std::clamp(us, 0, CH_DELAY_SLIDER_MAX)) / 1000.0f);
}

void OutputOperations::SetChDelayUp(int a, bool up) {
    runlog::Log("SetChDelayUp %d \n", up ? 1 : 0);
    if (!IsOutputIndex(a)) {
        return;
    }
    const float before = mLive.channels[a].delay;
    const int now = static_cast<int>(std::lround(ClampDelayMs(before) * 1000.0f));
    const int next = std::clamp(now + (up ? CH_DELAY_SLIDER_STEP : -CH_DELAY_SLIDER_STEP), 0,
                                CH_DELAY_SLIDER_MAX);
    if (next == now) {
        return;
    }
    float target = static_cast<float>(next) / 1000.0f;
    // An inch is longer than a click: without this the button could never leave a distance.
    const float whole = QuantizeDelayMs(before, mDelayUnit);
    const float step = DelayUnitStepMs(mDelayUnit);
    if (step > 0.0f && QuantizeDelayMs(target, mDelayUnit) == whole) {
        target = whole + (up ? step : -step);
    }
    ApplyDelay(a, target);
}

bool OutputOperations::SetSpeakerDelayEdit(int k, std::string_view text) {
    if (!IsSpeakerPosition(k)) {
        return false;
    }
    const int i = OutputOfSpeaker(k);
    if (i < 0) {
        return false;
    }
    const std::optional<float> typed = ParseDelayText(text, kDelayMs);
    if (!typed) {
        return false;
    }
    float ms = 0.0f;
    switch (mDelayUnit) {
        case kDelayCm:
            ms = std::trunc(std::clamp(*typed, 0.0f, static_cast<float>(MAX_DELAY_CM))) *
                 MAX_DELAY_MS / MAX_DELAY_CM;
            break;
        case kDelayIn:
            ms = std::trunc(std::clamp(*typed, 0.0f, static_cast<float>(MAX_DELAY_IN))) *
                 MAX_DELAY_MS / MAX_DELAY_IN;
            break;
        default:
            ms = ClampDelayMs(*typed);
            break;
    }
    runlog::Log("speaker %d channel %d delay edit value %.3f\n", k, i, static_cast<double>(ms));
    ApplyDelay(i, ms);
    return true;
}

void OutputOperations::SetSpeakerDelayUp(int k, bool up) {
    if (!IsSpeakerPosition(k)) {
        return;
    }
    const int i = OutputOfSpeaker(k);
    if (i >= 0) {
        SetChDelayUp(i, up);
    }
}

void OutputOperations::SetFocusedSpeakerDelayUp(bool up) {
    if (IsSpeakerPosition(mFocusedSpeaker)) {
        SetSpeakerDelayUp(mFocusedSpeaker, up);
    }
}

void OutputOperations::SetDelayUnit(int unit) {
    runlog::Log("on eq comb_ch_unit valuechanged\n");
    runlog::Log("value %d\n", unit);
    if (unit != kDelayMs && unit != kDelayCm && unit != kDelayIn) {
        return;
    }
    mDelayUnit = unit;
    Tell(ChangeKind::DelayUnit);
}

std::string OutputOperations::DelayFieldText(float ms) const {
    return model::DelayFieldText(ms, mDelayUnit);
}

// ---- curves and speaker types ----

void OutputOperations::SetShowCurve(int a, bool show) {
    if (!IsOutputIndex(a)) {
        return;
    }
    mLive.showOutChEqualizer[a] = show ? 1 : 0;
    mCurves.UpdateChannelCurve(mLive, a);
    NotifyCurves();
}

void OutputOperations::SetOutputValue(int a, int type, bool keepBackup) {
    if (!IsOutputIndex(a) || !IsSpeakerType(type)) {
        return;
    }
    runlog::Log("SetOutputValue channel %d selected value %s\n", a,
                std::string(MenuItemOfSpeakerType(type)).c_str());
    mLive.outputs[a] = type;
    if (!keepBackup) {
        mLive.outputsBk[a] = type;
    }
    mLive.channels[a].crossover = CrossoverForType(type);
    NotifyOutput(a);
    Tell(ChangeKind::SpeakerMap);
    mCurves.UpdateChannelCurve(mLive, a);
    NotifyCurves();
    SetCurChannelChange(a);
    const int types[] = {type};
    mLink.CH_Type_Ctrl(kScene, kSource, a, a, types, kQueued);
    SendFilters(a);
    SendTrim(a, a);
}

bool OutputOperations::OutputMenuItemEnabled(int menuOutput, int type) const {
    if (!IsOutputIndex(menuOutput) || !IsSpeakerType(type)) {
        return false;
    }
    if (type == kFrontCenterFull || type == kRearCenterFull) {
        return true;
    }
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        const int held = mLive.outputs[i];
        if (i == menuOutput || !IsSpeakerType(held) || kMenuGroup[held] == 0) {
            continue;
        }
        if (kMenuGroup[held] == kMenuGroup[type] && (kBandMask[held] & kBandMask[type]) != 0) {
            return false;
        }
    }
    return true;
}

bool OutputOperations::OutputMenuItemUsed(int type) const {
    if (!IsSpeakerType(type)) {
        return false;
    }
    return std::find(mLive.outputs.begin(), mLive.outputs.end(), type) != mLive.outputs.end();
}

void OutputOperations::SetSpeakerFocus(int k) {
    runlog::Log("on %s index %d\n", "EqualizerManager::SetSpeakerFocus", k);
    if (!IsSpeakerPosition(k)) {
        return;
    }
    mFocusedSpeaker = k;
    Tell(ChangeKind::SpeakerMap);
    for (int i = 0; i < OUTPUT_CHANNELS; ++i) {
        if (mLive.outputs[i] == k) {
            SetCurChannelChange(i);
        }
    }
}

// ---- left/right link and lock ----

}  // namespace model
