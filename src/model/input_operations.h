#pragma once
// Inputs, sources and the global switches: source choice and routing, main volume and its
// mute, ACC, amplifier, remote outputs, speaker impedance and noise gate. Each operation
// changes the live record, tells the windows, then sends (scene 0, queued; dropped while not
// connected). Runs on the manager's thread.

#include <string_view>

#include "link/dsp_link.h"
#include "model/model_changes.h"
#include "model/operations_view.h"
#include "model/profile_record.h"

namespace model {

// Count of main-volume reads after a source change (one per second).
inline constexpr int MAIN_VOLUME_POLL_COUNT = 10;

class InputOperations {
  public:
    InputOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes);

    void SetView(OperationsView* view) { mView = view; }

    // connected: the connect button is selected; only then is the source sent (at once) and
    // the main-volume poll started.
    void SetInputSource(int source, bool connected);
    // One tick of the main-volume poll after a source change: asks the amplifier for it.
    void PollMainVolume();
    void SetInputIn(int input, int output, bool on);
    // SetInputIn for any input channel the mask holds, such as the mixer's vice inputs.
    void RouteInput(int input, int output, bool on);

    // Typed main volume; offText (the shown "${off}") is -60. False when not a number: nothing
    // changes and the view shows the old value again.
    bool SetMainVolumeEdit(std::string_view text, std::string_view offText);
    void SetMainVolumeSlider(int value);
    void SetMainVolumeUp(bool up);
    void SetMainMute(bool mute);

    // The ACC slider's range comes from the layout; the view tells it when it binds.
    void SetAccRange(int min, int max);
    int AccMin() const { return mAccMin; }
    int AccMax() const { return mAccMax; }
    bool SetAccEdit(std::string_view text, std::string_view offText);
    void SetAccSlider(int value);
    void SetAccUp(bool up);

    void ToggleAmp();
    void ToggleRemOut1();
    void ToggleRemOut2();
    void ToggleSpkOhm();
    void ToggleNoiseGate();

  private:
    // The value after its control's range: stores, redraws and sends.
    void MainVolumeDecided(int value);
    void AccDecided(int value);
    void SendRemoteOutputs();
    void Tell(ChangeKind kind);

    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    ModelChanges& mChanges;
    OperationsView* mView = nullptr;
    int mAccMin = 0;
    int mAccMax = 100;
};

}  // namespace model
