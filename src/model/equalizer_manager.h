#pragma once
// EqualizerManager: owns the sound model, its reply handlers and the one link to the
// amplifier, and runs connecting, the initial state read and disconnecting. Views and
// dialogs stay outside: the manager reports through ManagerEvents (posted messages) and
// ConnectionView (button state, messages), both implemented by the main window.
//
// Threads: every public method runs on the thread that created the manager (the UI
// thread), except ReadSceneState, which a worker job calls. The connect job runs on a
// joinable thread that is joined before the next connect and in the destructor.
// Replies are decoded on the reading thread and handed to the manager's thread by a
// queued Qt call, so ModelSync only ever runs on the manager's thread.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/clock.h"
#include "link/dsp_link.h"
#include "link/reply_target.h"
#include "link/transport.h"
#include "model/ab_slots.h"
#include "model/calibration_operations.h"
#include "model/channel_curves.h"
#include "model/compressor_operations.h"
#include "model/edit_history.h"
#include "model/eq_operations.h"
#include "model/firmware_update.h"
#include "model/input_operations.h"
#include "model/job_runner.h"
#include "model/ktv_operations.h"
#include "model/manager_events.h"
#include "model/mixer_operations.h"
#include "model/model_changes.h"
#include "model/operations_view.h"
#include "model/output_operations.h"
#include "model/reply_effects.h"
#include "model/reply_handlers.h"
#include "model/scene_operations.h"
#include "model/tool_operations.h"

namespace model {

enum class ConnectButton { Disconnected, Connecting, Connected };

// What the main window shows and does around a connection. Called on the manager's thread.
// Every method defaults to doing nothing.
class ConnectionView {
  public:
    virtual ~ConnectionView() = default;
    // Texts, colours and selection of "btnConnect".
    virtual void OnConnectButton(ConnectButton /*state*/) {}
    // Opening failed and the user asked to connect; noAccess: the amplifier is there but the
    // system refused to open it (no permission).
    virtual void OnConnectFailMessage(bool /*noAccess*/) {}
    // Opening succeeded: the open message window and the mixer window go.
    virtual void OnCloseTransientWindows() {}
    virtual void OnCloseMixerWindow() {}
    // Connected: the equalizer view is redrawn from the model.
    virtual void OnUpdateEqualizer() {}
    // A forced update waits for this device: the manager reads nothing and lets it start.
    virtual bool ForcedUpdatePending() { return false; }
    virtual void OnStartForcedUpdate() {}
    // Unplugged outside a forced update: the window tells the user.
    virtual void OnPlugOutMessage() {}
    // The amplifier reported its DSP off (on 0) or not ready; the link is already closed.
    virtual void OnDspStatus(int /*on*/) {}
    // The handshake named this model.
    virtual void OnDeviceIdentity(int /*model*/) {}
    // Queued edits the amplifier did not take since this connection began (0 at its start):
    // the connection is not as healthy as "connected" alone says.
    virtual void OnUnansweredEdits(int /*count*/) {}
};

class EqualizerManager : public QObject {
  public:
    EqualizerManager(std::unique_ptr<dsplink::HidTransport> transport, dsplink::Clock& clock,
                     ManagerEvents* events, QObject* parent = nullptr);
    ~EqualizerManager() override;
    EqualizerManager(const EqualizerManager&) = delete;
    EqualizerManager& operator=(const EqualizerManager&) = delete;

    void SetView(ConnectionView* view) { mView = view; }
    ConnectionView* View() const { return mView; }
    // Any number of windows hear of every change, after the model did what it obliges it to.
    void Subscribe(ModelSubscriber* subscriber) { mChanges.Subscribe(subscriber); }
    void Unsubscribe(ModelSubscriber* subscriber) { mChanges.Unsubscribe(subscriber); }
    ModelChanges& Changes() { return mChanges; }
    void SetOperationsView(OperationsView* view);

    // Connects, or disconnects when the device is already open. showErrors: tell the user
    // when opening fails (the connect button), not on device arrival.
    void Connect(bool showErrors);
    void Disconnect();
    void DevicePlugIn();
    void DevicePlugOut();
    // Reads the whole state of an open amplifier again, as after connecting (the forced
    // update's connections skip that read).
    void RereadDevice();
    // WM_DEVICE_READY: switch to queued writes, or drop a connection that went wrong.
    void FinishConnection();

    // The initial read (handshake and whole live state); -1 when the handshake fails, else the
    // number of reads that got no answer. Runs on the connect thread.
    int PC_UI_Status_Init();
    // Reads stored scene n (1..10) into the scene table; for a worker job.
    void ReadSceneState(int scene);

    // The one runner of long device jobs: the connection's state read, scenes, profiles,
    // the factory reset and the busy-window waits.
    JobRunner& Jobs() { return *mJobs; }
    void WaitForJobs() { mJobs->Wait(); }
    bool JobRunning() const { return mJobs->Running(); }

    // Undo and redo. A window marks each user action (UserAction); what it changed becomes one
    // step. Undo and redo send the amplifier only what differs and tell every window; refused
    // while a device job runs.
    EditHistory& History() { return mHistory; }
    void BeginUserAction() { mHistory.BeginAction(); }
    void EndUserAction(bool gestureContinues);
    bool Undo();
    bool Redo();
    void ClearHistory();
    // Replaces the live set as a whole (a filter list, an A/B slot): the amplifier gets only
    // what differs, every window is told. Inside a UserAction it is one undo step.
    void ApplyLiveSet(ProfileRecord next);
    // The A/B comparison of two whole tunings.
    AbSlots& AB() { return mAb; }
    const AbSlots& AB() const { return mAb; }

    ModelState& State() { return mState; }
    OutputOperations& Outputs() { return *mOutputs; }
    InputOperations& Inputs() { return *mInputs; }
    ToolOperations& Tools() { return *mTools; }
    MixerOperations& Mixer() { return *mMixer; }
    CompressorOperations& Compressors() { return *mCompressors; }
    KtvOperations& Ktv() { return *mKtv; }
    EqOperations& Eq() { return *mEq; }
    SceneOperations& Scenes() { return *mScenes; }
    FirmwareUpdate& Firmware() { return *mFirmware; }
    CalibrationOperations& Calibration() { return *mCalibration; }
    const ChannelCurves& Curves() const { return mCurves; }
    void UpdateChannelCurve(int output) { mCurves.UpdateChannelCurve(mState.live, output); }

    // Echoes of replies: the stored gain of an output, the bridge set, and link off after an
    // unlock ended link mode.
    void ResendTrim(int output);
    void ResendBridges();
    void SendLinkOff();
    ModelSync& Sync() { return mSync; }
    dsplink::DspLink& Link() { return *mLink; }
    bool StatusPollActive() const { return mStatusPoll.isActive(); }

  private:
    class ReplyRouter;

    bool Upgrading() const;
    void OnReply(dsplink::LinkMessage message);
    bool Restore(std::optional<ProfileRecord> next);
    // A queued request got no answer (any thread): counted, logged and shown.
    void OnRequestFailed(const dsplink::RequestFailure& failure);
    void ReadMcuValueThread();
    void FirmwareVersionDecision();
    void PostEvent(uint32_t message, uint32_t wParam = 0);
    // Runs fn on the manager's thread; dropped when the manager is gone.
    template <typename Fn>
    void OnManagerThread(Fn fn);

    ModelState mState;
    ModelChanges mChanges;
    EditHistory mHistory{mState.live};
    AbSlots mAb{*this};
    ReplyEffects mEffects{*this};
    ModelSync mSync{mState, &mEffects};
    ManagerEvents* mEvents;
    ConnectionView* mView = nullptr;
    std::unique_ptr<ReplyRouter> mRouter;
    std::unique_ptr<dsplink::DspLink> mLink;
    QTimer mStatusPoll;
    ChannelCurves mCurves;
    // After mLink, before the operations that hold it: stopped and joined first of all.
    std::unique_ptr<JobRunner> mJobs;
    // After mLink: they hold it, and the output jobs are joined before it closes.
    std::unique_ptr<OutputOperations> mOutputs;
    std::unique_ptr<InputOperations> mInputs;
    std::unique_ptr<ToolOperations> mTools;
    std::unique_ptr<MixerOperations> mMixer;
    std::unique_ptr<CompressorOperations> mCompressors;
    std::unique_ptr<KtvOperations> mKtv;
    std::unique_ptr<EqOperations> mEq;
    // Its jobs are joined after the link closed, so no read waits out a time-out.
    std::unique_ptr<SceneOperations> mScenes;
    std::unique_ptr<FirmwareUpdate> mFirmware;
    std::unique_ptr<CalibrationOperations> mCalibration;

    // Queued requests that failed since the connection began; the manager's thread only.
    int mUnansweredEdits = 0;

    // Identity from the handshake reply, captured on the reading thread for the version check.
    std::atomic<int> mSeenMainVersion{-1};
    std::atomic<int> mSeenSlaveVersion{-1};
};

// One user action of a window's notification, from start to end; gestureContinues for a drag
// step that its release will end.
class UserAction {
  public:
    UserAction(EqualizerManager& manager, bool gestureContinues)
        : mManager(manager), mGestureContinues(gestureContinues) {
        mManager.BeginUserAction();
    }
    ~UserAction() { mManager.EndUserAction(mGestureContinues); }
    UserAction(const UserAction&) = delete;
    UserAction& operator=(const UserAction&) = delete;

  private:
    EqualizerManager& mManager;
    bool mGestureContinues;
};

}  // namespace model
