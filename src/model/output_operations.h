#pragma once
// What the user does to the outputs: select, volume, mute, phase, solo, delay, link groups,
// left/right link and lock, speaker types, bridges and the reset of all outputs. Each
// operation changes the live record, tells the windows, then sends to the amplifier (scene 0,
// source 0, queued; dropped while not connected). Values also go to the output's followers:
// its partner (LinkPartner) and the other members of its link group.
//
// Runs on the manager's thread. The reset and the background bridge do their work at once
// and leave only the wait for the amplifier's queue to a job, which posts WM_HIDE_LOADING.

#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "link/clock.h"
#include "link/dsp_link.h"
#include "model/channel_curves.h"
#include "model/delay_units.h"
#include "model/job_runner.h"
#include "model/manager_events.h"
#include "model/model_changes.h"
#include "model/operations_view.h"
#include "model/profile_record.h"

namespace model {

// Volume slider units: 0.1 dB, -600..0.
inline constexpr int CH_VOLUME_SLIDER_MIN = -600;
inline constexpr int CH_VOLUME_SLIDER_MAX = 0;
// Delay slider units: microseconds, 0..15000, stepped by 21.
inline constexpr int CH_DELAY_SLIDER_MAX = 15000;
inline constexpr int CH_DELAY_SLIDER_STEP = 21;
inline constexpr int SPEAKER_POSITIONS = 28;

class OutputOperations {
  public:
    // The busy-window waits run on jobs, which the owner stops and joins before this goes.
    OutputOperations(ProfileRecord& live, dsplink::DspLink& link, JobRunner& jobs,
                     ManagerEvents* events, ChannelCurves& curves, ModelChanges& changes);
    OutputOperations(const OutputOperations&) = delete;
    OutputOperations& operator=(const OutputOperations&) = delete;

    void SetView(OperationsView* view) { mView = view; }

    void SetCurChannelChange(int a);

    // Volume in slider units (0.1 dB). fromUser also unmutes; force passes the value on to
    // the followers even when it did not change.
    void SetChVolume(int a, int sliderValue, bool fromUser, bool force = false);
    void SetChVolumeUp(int a, bool up);
    // A typed whole number of dB (offText, the shown "${off}", is -60). False when the text is
    // not a number: nothing changes and the view shows the old value again.
    bool SetChVolumeEdit(int a, std::string_view text, std::string_view offText);

    void SetChMute(int a, bool mute);
    void SetChPhase(int a, bool phase);
    // The user's solo click: also makes a the current output.
    void SetChSolo(int a, bool on);
    // The same solo rule and send, for a reported or re-applied state: the output the user is
    // editing stays current.
    void ApplySolo(int a, bool on);

    void SetLinkGroup(int a, int group);
    // "ch_synchronize_%d": no group <-> group 1.
    void ToggleLinkGroup(int a);
    void ResetLinks();
    void SetDelayLinkGroup(int a, int group);

    void SetChDelay(int a, float ms);
    // Text in the current unit; false (nothing changes) when it is not a number.
    bool SetChDelayEdit(int a, std::string_view text);
    void SetChDelaySlider(int a, int us);
    void SetChDelayUp(int a, bool up);
    // Speaker position k (1..28): the first output of that type.
    bool SetSpeakerDelayEdit(int k, std::string_view text);
    void SetSpeakerDelayUp(int k, bool up);
    // "btn_delay_down"/"btn_delay_up": the focused speaker; nothing without one.
    void SetFocusedSpeakerDelayUp(bool up);

    int DelayUnit() const { return mDelayUnit; }
    void SetDelayUnit(int unit);
    // Text of a delay field in the current unit: "%d" for cm and in, "%.3f" for ms.
    std::string DelayFieldText(float ms) const;

    void SetShowCurve(int a, bool show);

    // Speaker type of output a; keepBackup leaves "outputs_bk" alone (bridging).
    void SetOutputValue(int a, int type, bool keepBackup);
    // The output menu opened on output menuOutput: whether a type's item is enabled, and
    // whether some output already has the type (its "right.png" mark).
    bool OutputMenuItemEnabled(int menuOutput, int type) const;
    bool OutputMenuItemUsed(int type) const;

    void SetSpeakerFocus(int k);
    int FocusedSpeaker() const { return mFocusedSpeaker; }

    // "btn_link_output", "btn_lock_output", "btn_reset_output": ask through the view.
    void SetOutputLink();
    void SetOutpuLock();
    void SetOutputReset();

    // Bridge of pair (outputs 2·pair and 2·pair+1). A reply (fromUser false) only stores,
    // shows and resends the set; the user's switch copies the left output onto the right,
    // in the background with the busy window.
    void SetBridge(int pair, bool on, bool fromUser, bool inBackground);

    void WaitForJobs() { mJobs.Wait(); }
    bool JobRunning() const { return mJobs.Running(); }

  private:
    static constexpr int kScene = 0;
    static constexpr int kSource = 0;
    static constexpr bool kQueued = false;
    // Where a gain sits on the volume slider.
    static int SliderOf(float gain);

    // Step 2 of a volume change on one output: store, show, send; the user's change unmutes.
    void StoreVolume(int a, int sliderValue, bool fromUser);
    // Store, show and send one output's delay, quantised for the unit.
    void StoreDelay(int a, float ms);
    // Delay of a; the partner and the link group take the difference.
    void ApplyDelay(int a, float ms);
    void StoreMute(int a, int mute);
    void StorePhase(int a, int phase);
    void ApplyBridge(int pair, bool on);
    // The first output with speaker type k (1..28), or -1.
    int OutputOfSpeaker(int k) const;
    // The other members of a's link group (none when a has no group).
    bool InLinkGroupOf(int a, int i) const;
    void ClearLinkMode();

    void SendTrim(int first, int last);
    void SendDelay(int a);
    void SendMute(int a);
    void SendSoloAll();
    void SendFilters(int a);
    void SendLinkState(std::span<const std::pair<int, int>> pairs);

    void NotifyOutput(int a);
    void NotifyCurves();
    void Tell(ChangeKind kind);

    // Joins the previous job, then waits on a new one for the queue to drain and hides the
    // busy window.
    void StartWaitJob(int maxPolls);

    ProfileRecord& mLive;
    dsplink::DspLink& mLink;
    JobRunner& mJobs;
    ManagerEvents* mEvents;
    ChannelCurves& mCurves;
    ModelChanges& mChanges;
    OperationsView* mView = nullptr;
    int mDelayUnit = kDelayMs;
    int mFocusedSpeaker = 0;
};

}  // namespace model
