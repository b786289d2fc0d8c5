#include "scene_operations.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

#include "links.h"
#include "profile_send.h"
#include "run_log.h"
#include "state_read.h"
#include "value_ranges.h"

namespace model {

namespace {

constexpr int kLiveScene = 0;
// How long a job waits for queued commands to drain before it goes ahead anyway.
constexpr int kQueueDrainMs = 15000;
constexpr int kSliceMs = 10;
// The amplifier writes a whole profile to flash after the last command.
constexpr int kWholeProfileSettleMs = 20000;
constexpr int kAfterWholeSendMs = 200;

}  // namespace

namespace {

// The first characters of a name; never ends inside a surrogate pair.
QString FirstChars(const QString& name) {
    QString text = name.left(SCENE_NAME_CHARS);
    if (!text.isEmpty() && text.back().isHighSurrogate()) {
        text.chop(1);
    }
    return text;
}

}  // namespace

std::string SceneNameBytes(const QString& name) {
    QString text = FirstChars(name);
    QByteArray bytes = text.toUtf8();
    // Room for the terminator: drop whole characters until it fits.
    while (bytes.size() > SCENE_NAME_BYTES - 1 && !text.isEmpty()) {
        text.chop(1);
        if (!text.isEmpty() && text.back().isHighSurrogate()) {
            text.chop(1);
        }
        bytes = text.toUtf8();
    }
    // An embedded zero would end the stored name early anyway.
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString SceneNameText(const std::string& bytes) {
    const size_t length = strnlen(bytes.data(), std::min<size_t>(bytes.size(), SCENE_NAME_BYTES));
    // The record keeps every byte of the field; only what is shown is cut.
    return FirstChars(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(length)));
}

SceneOperations::SceneOperations(ModelState& state, dsplink::DspLink& link, dsplink::Clock& clock,
                                 ManagerEvents* events, ChannelCurves& curves,
                                 LiveStateReader readLiveState)
    : mState(state),
      mLink(link),
      mClock(clock),
      mEvents(events),
      mCurves(curves),
      mReadLiveState(std::move(readLiveState)),
      mContext(std::make_unique<QObject>()) {}

SceneOperations::~SceneOperations() {
    mStopping = true;
    WaitForJobs();
}

void SceneOperations::SetCurrentScene(int scene) {
    if (scene >= 0 && scene <= STORED_SCENES) {
        mCurrentScene = scene;
    }
}

void SceneOperations::SetSceneNameBuffer(const std::string& bytes) {
    mSceneNameBuffer.fill(0);
    const size_t length = std::min<size_t>(bytes.size(), SCENE_NAME_BYTES - 1);
    std::copy_n(bytes.begin(), length, mSceneNameBuffer.begin());
}

// ---- jobs ----

void SceneOperations::StartJob(std::function<void()> work) {
    WaitForJobs();
    mJobRunning = true;
    mJob = std::thread([this, work = std::move(work)] {
        work();
        mJobRunning = false;
    });
}

void SceneOperations::WaitForJobs() {
    if (mJob.joinable()) {
        mJob.join();
    }
}

bool SceneOperations::EnterExclusive() {
    const bool wasQueued = mLink.AsyncMode();
    mLink.SetAsyncMode(false);
    for (int waited = 0; !mLink.QueueIdle() && waited < kQueueDrainMs && !mStopping;
         waited += kSliceMs) {
        mClock.SleepMs(kSliceMs);
    }
    return wasQueued;
}

void SceneOperations::LeaveExclusive(bool wasQueued) {
    // A device that went away meanwhile stays in direct mode, as disconnecting leaves it.
    if (wasQueued && mLink.IsOpen() && !mStopping) {
        mLink.SetAsyncMode(true);
    }
}

bool SceneOperations::SleepMs(int ms) {
    for (int left = ms; left > 0; left -= kSliceMs) {
        if (mStopping || !mLink.IsOpen()) {
            return false;
        }
        mClock.SleepMs(std::min(left, kSliceMs));
    }
    return true;
}

void SceneOperations::Post(const std::shared_ptr<ManagerEvents>& to, uint32_t message) {
    if (mStopping) {
        return;
    }
    if (to) {
        to->Post(message, 0);
    } else if (mEvents) {
        mEvents->Post(message, 0);
    }
}

void SceneOperations::OnOwnerThread(std::function<void()> fn) {
    QMetaObject::invokeMethod(mContext.get(), std::move(fn), Qt::QueuedConnection);
}

bool SceneOperations::StartLoadScene(std::shared_ptr<ManagerEvents> replyTo) {
    const int scene = mCurrentScene;
    if (scene < 1 || scene > STORED_SCENES) {
        return false;
    }
    StartJob([this, scene, replyTo = std::move(replyTo)] {
        runlog::Log("LoadSenceThread start!\n");
        EnterExclusive();
        // The amplifier copies the stored scene over its live settings; then read them back.
        mLink.ReadScene(scene, kLiveScene);
        if (!mStopping && mLink.IsOpen() && mReadLiveState) {
            mReadLiveState();
        }
        // Queued behind the replies of the read, so it sees the whole new live set.
        OnOwnerThread([this] { RefreshWholeView(); });
        if (mLink.IsOpen() && !mStopping) {
            mLink.SetAsyncMode(true);
        }
        Post(replyTo, WM_HIDE_LOADING);
        runlog::Log("LoadSenceThread end!\n");
    });
    return true;
}

bool SceneOperations::StartSaveScene(std::shared_ptr<ManagerEvents> replyTo) {
    const int scene = mCurrentScene;
    if (scene < 1 || scene > STORED_SCENES) {
        return false;
    }
    const std::array<uint8_t, SCENE_NAME_BYTES> name = mSceneNameBuffer;
    StartJob([this, scene, name, replyTo = std::move(replyTo)] {
        runlog::Log("SaveSenceThread start!\n");
        const bool wasQueued = EnterExclusive();
        // The whole zero-padded field, so no byte of an older, longer name stays behind.
        mLink.SetSceneName(scene, name);
        const bool saved = mLink.SaveScene(scene, 0);
        LeaveExclusive(wasQueued);
        if (saved) {
            // The amplifier stored its live set; the model's copy of the scene follows.
            OnOwnerThread([this, scene] {
                const auto index = static_cast<size_t>(scene - 1);
                mState.scenes.records[index] = mState.live;
                mState.validSceneMask |= 1 << (scene - 1);
            });
        }
        Post(replyTo, WM_HIDE_LOADING);
        runlog::Log("SaveSenceThread end!\n");
    });
    return true;
}

bool SceneOperations::StartDeleteScene(std::shared_ptr<ManagerEvents> replyTo) {
    const int scene = mCurrentScene;
    if (scene < 1 || scene > STORED_SCENES) {
        return false;
    }
    StartJob([this, scene, replyTo = std::move(replyTo)] {
        runlog::Log("DeleteSenceThread start!\n");
        const bool wasQueued = EnterExclusive();
        const bool deleted = mLink.DeleteScene(scene);
        LeaveExclusive(wasQueued);
        if (deleted) {
            OnOwnerThread([this, scene] {
                const auto index = static_cast<size_t>(scene - 1);
                mState.scenes.records[index] = ProfileRecord();
                mState.validSceneMask &= ~(1 << (scene - 1));
            });
        }
        // The acknowledgement normally closes the busy window; without one this does.
        Post(replyTo, WM_HIDE_LOADING);
        runlog::Log("DeleteSenceThread end!\n");
    });
    return true;
}

void SceneOperations::StartReadCurrentScene() {
    StartJob([this] {
        const bool wasQueued = EnterExclusive();
        mLink.Get_Scene_Id();
        LeaveExclusive(wasQueued);
    });
}

void SceneOperations::StartSetCurScene() {
    // Every field shows the loaded values before the busy window takes the focus away, so
    // no field can commit an older text.
    ApplyLinkState();
    RefreshWholeView();
    Post(nullptr, WM_SHOW_LOADING);
    StartJob([this, record = mState.live] {
        runlog::Log("SetCurSceneThread start!\n");
        const bool wasQueued = EnterExclusive();
        SetReadCurProfileToMCU(record);
        LeaveExclusive(wasQueued);
        OnOwnerThread([this] {
            ApplyLinkState();
            RefreshWholeView();
        });
        Post(nullptr, WM_HIDE_LOADING);
        runlog::Log("SetCurSceneThread end!\n");
    });
}

void SceneOperations::StartSetWholeProfile() {
    ApplyLinkState();
    RefreshWholeView();
    Post(nullptr, WM_SHOW_LOADING);
    StartJob([this, table = mState.scenes, live = mState.live] {
        runlog::Log("SetWholeProfileThread start!\n");
        const bool wasQueued = EnterExclusive();
        SetReadWholeProfileToMCU(table, live);
        OnOwnerThread([this] {
            ApplyLinkState();
            RefreshWholeView();
        });
        // The amplifier is still writing its flash; nothing else may reach it meanwhile.
        SleepMs(kWholeProfileSettleMs);
        LeaveExclusive(wasQueued);
        Post(nullptr, WM_HIDE_LOADING);
        runlog::Log("SetWholeProfileThread end!\n");
    });
}

void SceneOperations::StartReadWholeProfile(std::function<void()> done) {
    Post(nullptr, WM_SHOW_LOADING);
    StartJob([this, done = std::move(done)] {
        runlog::Log("SaveWholeSceneThread start!\n");
        int missing = 0;
        if (mLink.IsOpen()) {
            const bool wasQueued = EnterExclusive();
            for (int scene = 1; scene <= STORED_SCENES && !mStopping; ++scene) {
                missing += dsplink::ReadStoredScene(mLink, scene, [this](int ms) { SleepMs(ms); });
            }
            if (!mStopping) {
                missing += mLink.ReadScene(0, 0) ? 0 : 1;
                missing += mReadLiveState() == 0 ? 0 : 1;
            }
            LeaveExclusive(wasQueued);
        }
        // A read with gaps (the amplifier gone or silent) is not handed on: what was not read
        // would be saved as defaults.
        const bool complete = missing == 0 && mLink.IsOpen() && !mStopping;
        // Queued after the replies just read, so done sees them in the model.
        OnOwnerThread([this, done, complete] {
            if (complete) {
                done();
            }
            Post(nullptr, WM_HIDE_LOADING);
        });
        runlog::Log("SaveWholeSceneThread end!\n");
    });
}

void SceneOperations::ResetMcuFactoryDefault() {
    runlog::Log("%s\n", "EqualizerManager::ResetMcuFactoryDefault");
    if (!mLink.IsOpen()) {
        return;
    }
    if (mView == nullptr || !mView->AskQuestion("${factory_default_tips}")) {
        return;
    }
    Post(nullptr, WM_SHOW_LOADING);
    StartJob([this] {
        runlog::Log("Factory default thread start!\n");
        const bool wasQueued = EnterExclusive();
        mLink.MCU_Factory_Reset_Ctrl();
        LeaveExclusive(wasQueued);
        Post(nullptr, dsplink::WM_DEVICE_REBOOT);
        runlog::Log("Factory default thread end!\n");
    });
}

// ---- view ----

void SceneOperations::ApplyLinkState() {
    ProfileRecord& live = mState.live;
    if (live.linkMode == 1) {
        live.lockMode = 1;
        FillLinkOutputs(live);
    } else {
        live.linkOutputs.fill(-1);
    }
}

void SceneOperations::RefreshWholeView() {
    mCurves.UpdateAll(mState.live);
    if (mView) {
        mView->OnWholeViewChanged();
    }
}

// ---- sends ----

void SceneOperations::SetReadCurProfileToMCU(const ProfileRecord& record) {
    runlog::Log("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
    SendSceneProfile(mLink, record, {}, [this] { return mStopping || !mLink.IsOpen(); });
    runlog::Log("%s %d\n", "SendMonitorChCfgs", OUTPUT_CHANNELS);
}

void SceneOperations::SetReadWholeProfileToMCU(const SceneTable& table, const ProfileRecord& live) {
    runlog::Log("%s\n", "EqualizerManager::SetReadWholeProfileToMCU");
    // The live EQ bypass goes too, so the amplifier plays what the model shows.
    SendWholeProfile(mLink, live, table, {}, [this] { return mStopping || !mLink.IsOpen(); });
    if (mStopping || !mLink.IsOpen()) {
        return;
    }
    runlog::Log("%s %d\n", "SendMonitorChCfgs", OUTPUT_CHANNELS);
    SleepMs(kAfterWholeSendMs);
}

}  // namespace model
