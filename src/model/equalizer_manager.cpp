#include "model/equalizer_manager.h"

#include "model/profile_send.h"

#include <QMetaObject>

#include <algorithm>
#include <utility>

#include "link/reply_records.h"
#include "link/state_read.h"
#include "link/subcommands.h"
#include "model/constants.h"
#include "shell/markers.h"
#include "shell/run_log.h"

namespace model {

namespace {
constexpr uint32_t kMcuHandshakeKind = dsplink::MCU_HANDSHAKE;
constexpr int kStatusPollMs = 100;
constexpr int kSettleMs = 1000;
}  // namespace

// Runs on whichever thread read the reply. Model replies go to the manager's thread by a
// queued call; every other message goes to the window sink as it is.
class EqualizerManager::ReplyRouter : public dsplink::ReplyTarget {
  public:
    explicit ReplyRouter(EqualizerManager& owner) : mOwner(owner) {}

    void Post(dsplink::LinkMessage message) override {
        if (message.message == dsplink::WM_READ_MCU_VALUE && message.wParam == kMcuHandshakeKind) {
            // The connect thread needs the versions before the model (on the UI thread) has them.
            if (const auto* info =
                    dynamic_cast<const dsplink::McuHandshakeInfo*>(message.record.get())) {
                mOwner.mSeenMainVersion = info->masterVersion;
                mOwner.mSeenSlaveVersion = info->slaveVersion;
            }
        }
        switch (message.message) {
            case dsplink::WM_READ_DSP_VALUE:
            case dsplink::WM_READ_MCU_VALUE:
            case dsplink::WM_READ_KTV_VALUE:
            case dsplink::WM_READ_FLASH_VALUE: {
                // Shared, so the call stays copyable; the record dies with the last owner.
                auto shared = std::make_shared<dsplink::LinkMessage>(std::move(message));
                EqualizerManager* owner = &mOwner;
                mOwner.OnManagerThread([owner, shared] { owner->OnReply(std::move(*shared)); });
                break;
            }
            default:
                mOwner.PostEvent(message.message, message.wParam);
                break;
        }
    }

  private:
    EqualizerManager& mOwner;
};

EqualizerManager::EqualizerManager(std::unique_ptr<dsplink::HidTransport> transport,
                                   dsplink::Clock& clock, ManagerEvents* events, QObject* parent)
    : QObject(parent),
      mEvents(events),
      mRouter(std::make_unique<ReplyRouter>(*this)),
      mLink(std::make_unique<dsplink::DspLink>(std::move(transport), clock, MODEL_ID,
                                               OUTPUT_CHANNELS)) {
    mLink->SetTarget(dsplink::ReplyTargetId::Main, mRouter.get());
    mJobs = std::make_unique<JobRunner>(*mLink, clock);
    mOutputs =
        std::make_unique<OutputOperations>(mState.live, *mLink, *mJobs, events, mCurves, mChanges);
    mInputs = std::make_unique<InputOperations>(mState.live, *mLink, mChanges);
    mTools = std::make_unique<ToolOperations>(mState.live, *mLink, mChanges);
    mMixer = std::make_unique<MixerOperations>(mState.live, *mLink, mChanges, *mInputs);
    mCompressors = std::make_unique<CompressorOperations>(mState.live, *mLink, mChanges);
    mKtv = std::make_unique<KtvOperations>(mState.live, *mLink, mChanges);
    mEq = std::make_unique<EqOperations>(mState.live, *mLink, clock, mCurves, mChanges);
    mScenes = std::make_unique<SceneOperations>(mState, *mLink, *mJobs, events, mCurves, mChanges,
                                                mHistory, [this] { return PC_UI_Status_Init(); });
    mFirmware = std::make_unique<FirmwareUpdate>(*mLink, *mJobs);
    mCalibration = std::make_unique<CalibrationOperations>(*mLink, *mJobs, mChanges);
    mLink->SetFailureTrace([this](const dsplink::RequestFailure& f) { OnRequestFailed(f); });
    // Its ticks do nothing; it only marks a live connection, as the window expects.
    mStatusPoll.setInterval(kStatusPollMs);
}

EqualizerManager::~EqualizerManager() {
    mLink->SetFailureTrace({});
    // Closing makes every pending read fail at once, so the join is short.
    mJobs->Stop();
    mLink->CloseHIDDevice(false);
    mJobs->Wait();
    mLink->SetTarget(dsplink::ReplyTargetId::Main, nullptr);
}

template <typename Fn>
void EqualizerManager::OnManagerThread(Fn fn) {
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void EqualizerManager::PostEvent(uint32_t message, uint32_t wParam) {
    if (mEvents && !mJobs->Stopping()) {
        mEvents->Post(message, wParam);
    }
}

void EqualizerManager::OnRequestFailed(const dsplink::RequestFailure& failure) {
    // Jobs see their own failures; an unplug is shown as the disconnect itself.
    if (!mLink->AsyncMode() || failure.outcome == dsplink::RequestOutcome::Disconnected) {
        return;
    }
    runlog::Log("an edit got no answer: %s\n", failure.request.c_str());
    OnManagerThread([this] {
        ++mUnansweredEdits;
        if (mView) {
            mView->OnUnansweredEdits(mUnansweredEdits);
        }
    });
}

void EqualizerManager::OnReply(dsplink::LinkMessage message) {
    mSync.Dispatch(std::move(message));
    // What the amplifier says is not the user's edit: undo does not take it back.
    mHistory.Absorb(mState.live);
}

void EqualizerManager::EndUserAction(bool gestureContinues) {
    if (mHistory.EndAction(mState.live, gestureContinues)) {
        mChanges.Publish({.kind = ChangeKind::History});
    }
}

bool EqualizerManager::Undo() {
    return !JobRunning() && Restore(mHistory.Undo(mState.live));
}

bool EqualizerManager::Redo() {
    return !JobRunning() && Restore(mHistory.Redo(mState.live));
}

void EqualizerManager::ClearHistory() {
    mHistory.Reset(mState.live);
    mChanges.Publish({.kind = ChangeKind::History});
}

bool EqualizerManager::Restore(std::optional<ProfileRecord> next) {
    if (!next) {
        return false;
    }
    runlog::Log("restore a step: %zu to undo, %zu to redo\n", mHistory.UndoSteps(),
                mHistory.RedoSteps());
    ApplyLiveSet(std::move(*next));
    // The step may have been a switch or a copy between the A/B slots.
    mChanges.Publish({.kind = ChangeKind::AbSlots});
    mChanges.Publish({.kind = ChangeKind::History});
    return true;
}

void EqualizerManager::ApplyLiveSet(ProfileRecord next) {
    // Only what differs goes out, queued like any edit; offline only the model moves, as an
    // edit does, and the state read of the next connection brings the amplifier's.
    if (mLink->IsOpen() && !Upgrading()) {
        SendProfileDifference(*mLink, mState.live, next, false);
    }
    mState.live = std::move(next);
    mCurves.UpdateAll(mState.live);
    mChanges.Publish({.kind = ChangeKind::Whole});
}

bool EqualizerManager::Upgrading() const {
    const int status = mLink->State().sys_upg_status;
    return status == dsplink::UPG_ENTER || status == dsplink::UPG_START;
}

void EqualizerManager::Connect(bool showErrors) {
    if (Upgrading()) {
        return;
    }
    if (mLink->IsOpen()) {
        Disconnect();
        return;
    }
    // A job left over from a dropped connection ends quickly once the device is closed.
    mJobs->Wait();
    const dsplink::OpenResult opened = mLink->Open();
    if (opened != dsplink::OpenResult::Opened) {
        runlog::Log("Can not conect usb devices, please connect devices again!\n");
        if (mView) {
            if (showErrors) {
                mView->OnConnectFailMessage(opened == dsplink::OpenResult::NoAccess);
            }
            mView->OnConnectButton(ConnectButton::Disconnected);
        }
        return;
    }
    if (mView) {
        mView->OnCloseTransientWindows();
        mView->OnCloseMixerWindow();
    }
    runlog::Log("Connect OK！\n");
    if (mView) {
        mView->OnConnectButton(ConnectButton::Connecting);
    }
    const bool forcedUpdateWaits =
        !shell::NoForceUpdateMarkerPresent() && mView && mView->ForcedUpdatePending();
    if (forcedUpdateWaits) {
        mView->OnConnectButton(ConnectButton::Connected);
        mView->OnStartForcedUpdate();
        return;
    }
    RereadDevice();
}

void EqualizerManager::RereadDevice() {
    if (!mLink->IsOpen()) {
        return;
    }
    mLink->SetAsyncMode(false);
    mUnansweredEdits = 0;
    if (mView) {
        mView->OnUnansweredEdits(0);
    }
    PostEvent(WM_SHOW_LOADING);
    mSeenMainVersion = -1;
    mSeenSlaveVersion = -1;
    mJobs->Start([this] { ReadMcuValueThread(); });
}

void EqualizerManager::Disconnect() {
    if (Upgrading()) {
        return;
    }
    if (mView) {
        mView->OnCloseMixerWindow();
    }
    mStatusPoll.stop();
    mLink->SetAsyncMode(false);
    mLink->CloseHIDDevice(true);
    if (mView) {
        mView->OnConnectButton(ConnectButton::Disconnected);
    }
    mState.live.model = -1;
}

void EqualizerManager::DevicePlugIn() {
    runlog::Log("DevicePlugin\n");
    if (Upgrading()) {
        runlog::Log("sys_upg_status UPG_ENTER or UPG_START\n");
        return;
    }
    Connect(false);
}

void EqualizerManager::DevicePlugOut() {
    runlog::Log("DevicePlugOut\n");
    if (Upgrading()) {
        runlog::Log("sys_upg_status UPG_ENTER or UPG_START\n");
        return;
    }
    Disconnect();
    // The window knows whether a forced update runs or the update window silenced this.
    if (mView) {
        mView->OnPlugOutMessage();
    }
}

void EqualizerManager::FinishConnection() {
    if (Upgrading() || !mLink->State().mcu_is_normal_mode) {
        return;
    }
    if (!mLink->IsOpen() || mState.live.model == -1) {
        Disconnect();
        return;
    }
    if (mView) {
        mView->OnConnectButton(ConnectButton::Connected);
    }
    mLink->SetAsyncMode(true);
    mCurves.UpdateAll(mState.live);
    mAb.Begin();
    if (mView) {
        mView->OnUpdateEqualizer();
    }
}

void EqualizerManager::ResendTrim(int output) {
    if (output < 0 || output >= OUTPUT_CHANNELS) {
        return;
    }
    const float trim[] = {0.0f - mState.live.channels[static_cast<size_t>(output)].gain};
    mLink->Trim_Ctrl(0, 0, output, output, trim, false);
}

void EqualizerManager::ResendBridges() {
    mLink->Output_Bridge_Ctrl(0, 0, mState.live.bridgeOutputs, false);
}

void EqualizerManager::SendLinkOff() {
    mLink->CH_Link_Ctrl(0, 0, {}, false);
}

void EqualizerManager::SetOperationsView(OperationsView* view) {
    mOutputs->SetView(view);
    mInputs->SetView(view);
    mScenes->SetView(view);
    mEq->SetView(view);
}

int EqualizerManager::PC_UI_Status_Init() {
    runlog::Log("PC_UI_Status_Init\n");
    mLink->PC_Connect(1);
    OnManagerThread([this] { mStatusPoll.start(); });
    dsplink::LinkState& link = mLink->State();
    // A stale identity from an earlier device must not pass for this one's.
    link.mcu_is_normal_mode = false;
    link.deviceModel = -1;
    if (!mLink->Hand_Connect()) {
        return -1;
    }
    if (link.deviceModel != MODEL_ID || !link.mcu_is_normal_mode) {
        return 0;
    }
    const int missing = dsplink::ReadLiveState(*mLink, MAX_EQ_BANDS);
    runlog::Log("PC_UI_Status_Init done\n");
    return missing;
}

void EqualizerManager::ReadMcuValueThread() {
    runlog::Log("Read mcu value thread start!\n");
    if (PC_UI_Status_Init() == -1) {
        PostEvent(WM_HIDE_LOADING);
        PostEvent(dsplink::WM_CONNECT_FAILED);
        PostEvent(dsplink::WM_DEVICE_DISCONNECT);
        OnManagerThread([this] { mState.live.model = -1; });
        runlog::Log("Read mcu value thread end!\n");
        return;
    }
    // Curves are drawn by the view when WM_DEVICE_READY arrives (OnUpdateEqualizer).
    mJobs->SleepMs(kSettleMs);
    PostEvent(dsplink::WM_DEVICE_READY);
    PostEvent(WM_HIDE_LOADING);
    runlog::Log("Read mcu value thread end!\n");
    const dsplink::LinkState& link = mLink->State();
    if (link.mcu_is_normal_mode && !mJobs->Stopping()) {
        if (link.deviceModel == MODEL_ID) {
            FirmwareVersionDecision();
        } else {
            PostEvent(WM_HIDE_LOADING);
            // Disconnect and the model belong to the manager's thread.
            OnManagerThread([this] {
                Disconnect();
                mState.live.model = -1;
            });
        }
    }
}

void EqualizerManager::FirmwareVersionDecision() {
    const int mainVersion = mSeenMainVersion;
    const int slaveVersion = mSeenSlaveVersion;
    if (mainVersion == shell::kBuiltInFirmwareMajor &&
        slaveVersion == shell::kBuiltInFirmwareMinor) {
        return;
    }
    const bool newer = mainVersion > shell::kBuiltInFirmwareMajor ||
                       (mainVersion == shell::kBuiltInFirmwareMajor &&
                        slaveVersion > shell::kBuiltInFirmwareMinor);
    if (newer) {
        PostEvent(dsplink::WM_DSP_FW_NEWER);
    } else if (!shell::NoForceUpdateMarkerPresent()) {
        PostEvent(dsplink::WM_FORCE_UPDATE);
    }
}

void EqualizerManager::ReadSceneState(int scene) {
    dsplink::ReadStoredScene(*mLink, scene, [this](int ms) { mJobs->SleepMs(ms); });
}

}  // namespace model
