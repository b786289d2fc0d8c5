#pragma once
// What a reply obliges the model to do beyond storing the value, before any window hears of
// it: the echoes the amplifier expects (a trim sent back as stored, mute, phase and solo
// through their operations, the bridge set, link off after an unlock ended the link), the
// current output rebuilt after a link report, curves recomputed, and the disconnect on a DSP
// status report. Then every window hears what changed through the manager's ModelChanges.
// Runs on the manager's thread.

#include "model/model_changes.h"
#include "model/reply_handlers.h"

namespace model {

class EqualizerManager;

class ReplyEffects final : public ModelChangeListener {
  public:
    explicit ReplyEffects(EqualizerManager& manager) : mManager(manager) {}

    void OnSourceChanged() override;
    void OnMainVolumeChanged() override;
    void OnMainMuteChanged() override;
    void OnCrossoverChanged(int output) override;
    void OnEqBandChanged(int output, int band) override;
    void OnDelayChanged(int output) override;
    void OnChannelGainChanged(int output) override;
    void OnChannelMuteChanged(int output) override;
    void OnChannelPhaseChanged(int output) override;
    void OnChannelSoloChanged(int output) override;
    void OnMixChanged(int source, int output) override;
    void OnSpeakerTypeChanged(int output) override;
    void OnLinkChanged() override;
    void OnLockChanged(bool linkDropped) override;
    void OnEqBypassChanged(int output) override;
    void OnInputMixTrimChanged(int source, int input) override;
    void OnAutoEffectChanged() override;
    void OnAmpOnChanged() override;
    void OnRemOutChanged() override;
    void OnSpkOhmChanged() override;
    void OnBridgeChanged() override;
    void OnNoiseGateChanged() override;
    void OnDspStatus(int on) override;
    void OnDeviceIdentity(int model, int mainVersion, int slaveVersion) override;
    void OnAccChanged() override;
    void OnSceneNameChanged(int index) override;
    void OnValidScenesChanged() override;
    void OnInputThresholdChanged() override;
    void OnPowerOffDelayChanged() override;
    void OnDistortChanged(int source) override;

  private:
    void Tell(const ModelChange& change);
    // A curve of output changed with its filters or bands: recomputed, then told.
    void CurveChanged(int output);

    EqualizerManager& mManager;
};

}  // namespace model
