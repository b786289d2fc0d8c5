#include "reply_effects.h"

#include <algorithm>

#include "equalizer_manager.h"

namespace model {

void ReplyEffects::Subscribe(ModelChangeListener* listener) {
    if (listener && std::find(mListeners.begin(), mListeners.end(), listener) == mListeners.end()) {
        mListeners.push_back(listener);
    }
}

void ReplyEffects::Unsubscribe(ModelChangeListener* listener) {
    std::erase(mListeners, listener);
}

template <typename... Params, typename... Args>
void ReplyEffects::Tell(void (ModelChangeListener::*method)(Params...), Args... args) {
    // A copy: a listener may come or go during the calls.
    const std::vector<ModelChangeListener*> listeners = mListeners;
    for (ModelChangeListener* listener : listeners) {
        if (std::find(mListeners.begin(), mListeners.end(), listener) != mListeners.end()) {
            (listener->*method)(args...);
        }
    }
}

void ReplyEffects::OnSourceChanged() {
    Tell(&ModelChangeListener::OnSourceChanged);
}
void ReplyEffects::OnMainVolumeChanged() {
    Tell(&ModelChangeListener::OnMainVolumeChanged);
}
void ReplyEffects::OnMainMuteChanged() {
    Tell(&ModelChangeListener::OnMainMuteChanged);
}
void ReplyEffects::OnCrossoverChanged(int output) {
    Tell(&ModelChangeListener::OnCrossoverChanged, output);
}
void ReplyEffects::OnEqBandChanged(int output, int band) {
    Tell(&ModelChangeListener::OnEqBandChanged, output, band);
}
void ReplyEffects::OnDelayChanged(int output) {
    Tell(&ModelChangeListener::OnDelayChanged, output);
}

void ReplyEffects::OnChannelGainChanged(int output) {
    // The stored (clamped) gain goes back, as every trim write does.
    mManager.ResendTrim(output);
    Tell(&ModelChangeListener::OnChannelGainChanged, output);
}

// Mute, phase and solo reports go through their operations, which send them back (mute and
// phase also to a bridge partner).
void ReplyEffects::OnChannelMuteChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.Outputs().SetChMute(output, mManager.State().live.channels[output].mute != 0);
    }
    Tell(&ModelChangeListener::OnChannelMuteChanged, output);
}

void ReplyEffects::OnChannelPhaseChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.Outputs().SetChPhase(output, mManager.State().live.channels[output].phase != 0);
    }
    Tell(&ModelChangeListener::OnChannelPhaseChanged, output);
}

void ReplyEffects::OnChannelSoloChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.Outputs().ApplySolo(output, mManager.State().live.channels[output].solo != 0);
    }
    Tell(&ModelChangeListener::OnChannelSoloChanged, output);
}

void ReplyEffects::OnMixChanged(int source, int output) {
    Tell(&ModelChangeListener::OnMixChanged, source, output);
}
void ReplyEffects::OnSpeakerTypeChanged(int output) {
    Tell(&ModelChangeListener::OnSpeakerTypeChanged, output);
}

void ReplyEffects::OnLinkChanged() {
    Tell(&ModelChangeListener::OnLinkChanged);
    // The current output is rebuilt, which also sends its mute.
    mManager.Outputs().SetCurChannelChange(mManager.State().live.currOutChannel);
}

void ReplyEffects::OnLockChanged(bool linkDropped) {
    if (linkDropped) {
        mManager.SendLinkOff();
    }
    Tell(&ModelChangeListener::OnLockChanged, linkDropped);
    if (linkDropped) {
        mManager.Outputs().SetCurChannelChange(mManager.State().live.currOutChannel);
    }
}

void ReplyEffects::OnEqBypassChanged(int output) {
    Tell(&ModelChangeListener::OnEqBypassChanged, output);
}
void ReplyEffects::OnInputMixTrimChanged(int source, int input) {
    Tell(&ModelChangeListener::OnInputMixTrimChanged, source, input);
}
void ReplyEffects::OnAutoEffectChanged() {
    Tell(&ModelChangeListener::OnAutoEffectChanged);
}
void ReplyEffects::OnAmpOnChanged() {
    Tell(&ModelChangeListener::OnAmpOnChanged);
}
void ReplyEffects::OnRemOutChanged() {
    Tell(&ModelChangeListener::OnRemOutChanged);
}
void ReplyEffects::OnSpkOhmChanged() {
    Tell(&ModelChangeListener::OnSpkOhmChanged);
}

void ReplyEffects::OnBridgeChanged() {
    mManager.ResendBridges();
    Tell(&ModelChangeListener::OnBridgeChanged);
}

void ReplyEffects::OnNoiseGateChanged() {
    Tell(&ModelChangeListener::OnNoiseGateChanged);
}

void ReplyEffects::OnDspStatus(int on) {
    mManager.Disconnect();
    Tell(&ModelChangeListener::OnDspStatus, on);
}

void ReplyEffects::OnDeviceIdentity(int model, int mainVersion, int slaveVersion) {
    Tell(&ModelChangeListener::OnDeviceIdentity, model, mainVersion, slaveVersion);
}
void ReplyEffects::OnAccChanged() {
    Tell(&ModelChangeListener::OnAccChanged);
}
void ReplyEffects::OnSceneNameChanged(int index) {
    Tell(&ModelChangeListener::OnSceneNameChanged, index);
}
void ReplyEffects::OnValidScenesChanged() {
    Tell(&ModelChangeListener::OnValidScenesChanged);
}

}  // namespace model
