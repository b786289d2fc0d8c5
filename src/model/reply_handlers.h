#pragma once
// Keeps the sound model in step with decoded replies from the amplifier. Only the model is
// written here; whatever the view or the device must do in answer is left to a listener.

#include <cstdint>
#include <memory>

#include "link/reply_target.h"
#include "model/profile_record.h"

namespace model {

// The state the replies fill: the live set, the stored scenes and which of them hold data.
struct ModelState {
    ProfileRecord live;
    SceneTable scenes;
    int validSceneMask = 0;
};

// Called after the live set changed, so the model can do what a reply obliges it to and tell
// the windows. Stored scenes never notify. Every method defaults to doing nothing.
class ModelChangeListener {
  public:
    virtual ~ModelChangeListener() = default;

    virtual void OnSourceChanged() {}
    // The window stops its main-volume poll here.
    virtual void OnMainVolumeChanged() {}
    virtual void OnMainMuteChanged() {}
    virtual void OnCrossoverChanged(int /*output*/) {}
    virtual void OnEqBandChanged(int /*output*/, int /*band*/) {}
    virtual void OnDelayChanged(int /*output*/) {}
    // The window sends the stored gain back with Trim_Ctrl, as 0 - gain.
    virtual void OnChannelGainChanged(int /*output*/) {}
    // The window applies the mute operation (also to the bridge partner), which sends it.
    virtual void OnChannelMuteChanged(int /*output*/) {}
    virtual void OnChannelPhaseChanged(int /*output*/) {}
    virtual void OnChannelSoloChanged(int /*output*/) {}
    virtual void OnMixChanged(int /*source*/, int /*output*/) {}
    virtual void OnSpeakerTypeChanged(int /*output*/) {}
    virtual void OnLinkChanged() {}
    // linkDropped: unlocking ended link mode, so the window sends CH_Link_Ctrl with link 0.
    virtual void OnLockChanged(bool /*linkDropped*/) {}
    virtual void OnEqBypassChanged(int /*output*/) {}
    virtual void OnInputMixTrimChanged(int /*source*/, int /*input*/) {}
    virtual void OnAutoEffectChanged() {}
    virtual void OnAmpOnChanged() {}
    virtual void OnRemOutChanged() {}
    virtual void OnSpkOhmChanged() {}
    // The window resends the bridge set with Output_Bridge_Ctrl.
    virtual void OnBridgeChanged() {}
    virtual void OnNoiseGateChanged() {}
    // The window disconnects, and when on is 0 tells the user the DSP is off.
    virtual void OnDspStatus(int /*on*/) {}
    // The window checks the model against the supported one.
    virtual void OnDeviceIdentity(int /*model*/, int /*mainVersion*/, int /*slaveVersion*/) {}
    virtual void OnAccChanged() {}
    virtual void OnSceneNameChanged(int /*index*/) {}
    virtual void OnValidScenesChanged() {}
    virtual void OnInputThresholdChanged() {}
    virtual void OnPowerOffDelayChanged() {}
    // Clipping flags of a source's inputs or of the outputs came in.
    virtual void OnDistortChanged(int /*source*/) {}
};

// The four reply handlers. Records are owned by the call and freed on every path; a reply
// naming a scene, output, band, source or input outside the model's bounds changes nothing.
class ModelSync {
  public:
    explicit ModelSync(ModelState& state, ModelChangeListener* listener = nullptr)
        : mState(state), mListener(listener) {}

    void SetListener(ModelChangeListener* listener) { mListener = listener; }

    void ReadDspValueCallback(uint32_t kind, int32_t value,
                              std::unique_ptr<dsplink::ReplyRecord> record);
    void ReadMcuValueCallback(uint32_t kind, int32_t value,
                              std::unique_ptr<dsplink::ReplyRecord> record);
    void ReadKtvValueCallback(uint32_t kind, int32_t value,
                              std::unique_ptr<dsplink::ReplyRecord> record);
    void ReadSenceValueCallback(uint32_t kind, int32_t value,
                                std::unique_ptr<dsplink::ReplyRecord> record);

    // Routes a posted message to its handler by message number; false when none takes it.
    bool Dispatch(dsplink::LinkMessage message);

    // The record a reply's scene number selects: 0 the live set, n the stored scene n-1.
    ProfileRecord* RecordForScene(int scene);

  private:
    ModelChangeListener* Live(int scene) const { return scene == 0 ? mListener : nullptr; }

    ModelState& mState;
    ModelChangeListener* mListener;
};

}  // namespace model
