#include "model/reply_effects.h"

#include "model/equalizer_manager.h"

namespace model {

void ReplyEffects::Tell(const ModelChange& change) {
    mManager.Changes().Publish(change);
}

void ReplyEffects::CurveChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.UpdateChannelCurve(output);
        Tell({.kind = ChangeKind::Curves, .output = output});
    }
}

void ReplyEffects::OnSourceChanged() {
    Tell({.kind = ChangeKind::Inputs, .source = mManager.State().live.currentSource});
}
void ReplyEffects::OnMainVolumeChanged() {
    Tell({.kind = ChangeKind::MainVolume});
}
void ReplyEffects::OnMainMuteChanged() {
    Tell({.kind = ChangeKind::Globals});
}
void ReplyEffects::OnCrossoverChanged(int output) {
    Tell({.kind = ChangeKind::Crossover, .output = output});
    CurveChanged(output);
}
void ReplyEffects::OnEqBandChanged(int output, int band) {
    Tell({.kind = ChangeKind::Bands, .output = output, .band = band});
    CurveChanged(output);
}
void ReplyEffects::OnDelayChanged(int output) {
    Tell({.kind = ChangeKind::Output, .output = output});
}

void ReplyEffects::OnChannelGainChanged(int output) {
    // The stored (clamped) gain goes back, as every trim write does.
    mManager.ResendTrim(output);
    Tell({.kind = ChangeKind::Output, .output = output});
}

// Mute, phase and solo reports go through their operations, which send them back (mute and
// phase also to a bridge partner) and tell the windows.
void ReplyEffects::OnChannelMuteChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.Outputs().SetChMute(output, mManager.State().live.channels[output].mute != 0);
    }
}

void ReplyEffects::OnChannelPhaseChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.Outputs().SetChPhase(output, mManager.State().live.channels[output].phase != 0);
    }
}

void ReplyEffects::OnChannelSoloChanged(int output) {
    if (IsOutputIndex(output)) {
        mManager.Outputs().ApplySolo(output, mManager.State().live.channels[output].solo != 0);
    }
}

void ReplyEffects::OnMixChanged(int source, int output) {
    Tell({.kind = ChangeKind::Inputs, .output = output, .source = source});
}
void ReplyEffects::OnSpeakerTypeChanged(int output) {
    Tell({.kind = ChangeKind::Output, .output = output});
    Tell({.kind = ChangeKind::SpeakerMap});
}

void ReplyEffects::OnLinkChanged() {
    Tell({.kind = ChangeKind::LinkLock});
    // The current output is rebuilt, which also sends its mute.
    mManager.Outputs().SetCurChannelChange(mManager.State().live.currOutChannel);
}

void ReplyEffects::OnLockChanged(bool linkDropped) {
    if (linkDropped) {
        mManager.SendLinkOff();
    }
    Tell({.kind = ChangeKind::LinkLock});
    if (linkDropped) {
        mManager.Outputs().SetCurChannelChange(mManager.State().live.currOutChannel);
    }
}

void ReplyEffects::OnEqBypassChanged(int output) {
    Tell({.kind = ChangeKind::Bands, .output = output});
    CurveChanged(output);
}
void ReplyEffects::OnInputMixTrimChanged(int source, int /*input*/) {
    Tell({.kind = ChangeKind::Inputs, .source = source});
}
void ReplyEffects::OnAutoEffectChanged() {
    Tell({.kind = ChangeKind::Globals});
}
void ReplyEffects::OnAmpOnChanged() {
    Tell({.kind = ChangeKind::Globals});
}
void ReplyEffects::OnRemOutChanged() {
    Tell({.kind = ChangeKind::Globals});
}
void ReplyEffects::OnSpkOhmChanged() {
    Tell({.kind = ChangeKind::Globals});
}

void ReplyEffects::OnBridgeChanged() {
    mManager.ResendBridges();
    Tell({.kind = ChangeKind::Bridges});
}

void ReplyEffects::OnNoiseGateChanged() {
    Tell({.kind = ChangeKind::Globals});
}

void ReplyEffects::OnDspStatus(int on) {
    mManager.Disconnect();
    if (ConnectionView* view = mManager.View()) {
        view->OnDspStatus(on);
    }
}

void ReplyEffects::OnDeviceIdentity(int model, int /*mainVersion*/, int /*slaveVersion*/) {
    if (ConnectionView* view = mManager.View()) {
        view->OnDeviceIdentity(model);
    }
}
void ReplyEffects::OnAccChanged() {
    Tell({.kind = ChangeKind::Globals});
}
void ReplyEffects::OnSceneNameChanged(int index) {
    Tell({.kind = ChangeKind::Scenes, .scene = index + 1});
}
void ReplyEffects::OnValidScenesChanged() {
    Tell({.kind = ChangeKind::Scenes});
}
void ReplyEffects::OnInputThresholdChanged() {
    Tell({.kind = ChangeKind::Threshold});
}
void ReplyEffects::OnPowerOffDelayChanged() {
    Tell({.kind = ChangeKind::PowerOffDelay});
}

void ReplyEffects::OnDistortChanged(int source) {
    Tell({.kind = ChangeKind::Distortion, .source = source});
}

}  // namespace model
