#include "model/ktv_operations.h"

#include <algorithm>

#include "shell/run_log.h"

namespace model {

namespace {

template <typename Settings>
auto* Field(Settings& k, KtvValue value) {
    switch (value) {
        case KtvValue::MicVolume:
            return &k.ktvMicVolume;
        case KtvValue::MusicVolume:
            return &k.ktvMusicVolume;
        case KtvValue::Howling:
            return &k.ktvHowling;
        case KtvValue::EchoLevel:
            return &k.ktvEchoLevel;
        case KtvValue::EchoDelay:
            return &k.ktvEchoDelay;
        case KtvValue::ReverbLevel:
            return &k.ktvReverbLevel;
        case KtvValue::ReverbTime:
            return &k.ktvReverbTime;
        case KtvValue::VoiceChanger:
            return &k.ktvVoiceChanger;
        case KtvValue::Bass:
            return &k.ktvBassGain;
        case KtvValue::Treble:
            return &k.ktvTrebleGain;
    }
    return static_cast<decltype(&k.ktvMicVolume)>(nullptr);
}

}  // namespace

KtvRange KtvRangeOf(KtvValue value) {
    switch (value) {
        case KtvValue::MicVolume:
        case KtvValue::MusicVolume:
        case KtvValue::EchoLevel:
            return {0, 60};
        case KtvValue::Howling:
            return {0, 1};
        case KtvValue::EchoDelay:
            return {0, 1000};
        case KtvValue::ReverbLevel:
            return {0, 100};
        case KtvValue::ReverbTime:
            return {0, 255};
        case KtvValue::VoiceChanger:
            return {0, 24};
        case KtvValue::Bass:
        case KtvValue::Treble:
            return {-12, 12};
    }
    return {0, 0};
}

int KtvValueOf(const KtvSettings& ktv, KtvValue value) {
    const int* field = Field(ktv, value);
    return field ? *field : 0;
}

KtvOperations::KtvOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes)
    : mLive(live), mLink(link), mChanges(changes) {}

bool KtvOperations::SetKtvValue(KtvValue which, int value) {
    int* field = Field(mLive.ktv, which);
    if (field == nullptr) {
        return false;
    }
    const KtvRange range = KtvRangeOf(which);
    const int v = std::clamp(value, range.min, range.max);
    runlog::Log("SetKtvValue %d = %d\n", static_cast<int>(which), v);
    if (*field == v) {
        return false;
    }
    *field = v;
    mChanges.Publish({.kind = ChangeKind::Ktv});
    SendKtvValue(mLink, which, v, false);
    return true;
}

bool SendKtvValue(dsplink::DspLink& link, KtvValue which, int value, bool sendNow) {
    switch (which) {
        case KtvValue::MicVolume:
            return link.KTV_Mic_Vol_Ctrl(value, sendNow);
        case KtvValue::MusicVolume:
            return link.KTV_Music_Vol_Ctrl(value, sendNow);
        case KtvValue::Howling:
            return link.KTV_Howling_Ctrl(value, sendNow);
        case KtvValue::EchoLevel:
            return link.KTV_Echo_Level_Ctrl(value, sendNow);
        case KtvValue::EchoDelay:
            return link.KTV_Echo_Delay_Ctrl(value, sendNow);
        case KtvValue::ReverbLevel:
            return link.KTV_Reverb_Level_Ctrl(value, sendNow);
        case KtvValue::ReverbTime:
            return link.KTV_Reverb_Time_Ctrl(value, sendNow);
        case KtvValue::VoiceChanger:
            return link.KTV_Voice_Changer_Ctrl(value, sendNow);
        case KtvValue::Bass:
            return link.KTV_Bass_Gain_Ctrl(value, sendNow);
        case KtvValue::Treble:
            return link.KTV_Treble_Gain_Ctrl(value, sendNow);
    }
    return false;
}

}  // namespace model
