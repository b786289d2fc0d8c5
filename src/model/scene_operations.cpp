#include "model/scene_operations.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

#include "link/state_read.h"
#include "model/exclusive_session.h"
#include "model/links.h"
#include "model/profile_send.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {

namespace {

constexpr int kLiveScene = 0;
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

SceneOperations::SceneOperations(ModelState& state, dsplink::DspLink& link, JobRunner& jobs,
                                 ManagerEvents* events, ChannelCurves& curves,
                                 ModelChanges& changes, EditHistory& history,
                                 LiveStateReader readLiveState)
    : mState(state),
      mLink(link),
      mJobs(jobs),
      mEvents(events),
      mCurves(curves),
      mChanges(changes),
      mHistory(history),
      mReadLiveState(std::move(readLiveState)) {}

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

void SceneOperations::Post(const std::shared_ptr<ManagerEvents>& to, uint32_t message) {
    if (mJobs.Stopping()) {
        return;
    }
    if (to) {
        to->Post(message, 0);
    } else if (mEvents) {
        mEvents->Post(message, 0);
    }
}

bool SceneOperations::StartLoadScene(std::shared_ptr<ManagerEvents> replyTo) {
    const int scene = mCurrentScene;
    if (scene < 1 || scene > STORED_SCENES) {
        return false;
    }
    mJobs.Start([this, scene, replyTo = std::move(replyTo)] {
        runlog::Log("LoadSenceThread start!\n");
        {
            ExclusiveSession session(mJobs);
            // The amplifier copies the stored scene over its live settings; then read them back.
            mLink.ReadScene(scene, kLiveScene);
            if (!mJobs.Stopped() && mReadLiveState) {
                mReadLiveState();
            }
            // Queued behind the replies of the read, so it sees the whole new live set. The
            // amplifier's own scene starts a new history: nothing before it can be restored.
            mJobs.OnOwnerThread([this] {
                RefreshWholeView();
                mHistory.Reset(mState.live);
                mChanges.Publish({.kind = ChangeKind::History});
            });
        }
        // Edits go to the amplifier queued again, whatever mode the load began in.
        if (!mJobs.Stopped()) {
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
    mJobs.Start([this, scene, name, replyTo = std::move(replyTo)] {
        runlog::Log("SaveSenceThread start!\n");
        bool saved = false;
        {
            ExclusiveSession session(mJobs);
            // The whole zero-padded field, so no byte of an older, longer name stays behind.
            mLink.SetSceneName(scene, name);
            saved = mLink.SaveScene(scene, 0);
        }
        if (saved) {
            // The amplifier stored its live set; the model's copy of the scene follows.
            mJobs.OnOwnerThread([this, scene] {
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
    mJobs.Start([this, scene, replyTo = std::move(replyTo)] {
        runlog::Log("DeleteSenceThread start!\n");
        bool deleted = false;
        {
            ExclusiveSession session(mJobs);
            deleted = mLink.DeleteScene(scene);
        }
        if (deleted) {
            mJobs.OnOwnerThread([this, scene] {
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
    mJobs.Start([this] {
        ExclusiveSession session(mJobs);
        mLink.Get_Scene_Id();
    });
}

void SceneOperations::StartSetCurScene() {
    // The view is refreshed once, now: the send changes nothing in the model, and every
    // field shows the loaded values before the busy window takes the focus away, so no field
    // can commit an older text.
    ApplyLinkState();
    RefreshWholeView();
    Post(nullptr, WM_SHOW_LOADING);
    mJobs.Start([this, record = mState.live] {
        runlog::Log("SetCurSceneThread start!\n");
        {
            ExclusiveSession session(mJobs);
            SetReadCurProfileToMCU(record);
        }
        Post(nullptr, WM_HIDE_LOADING);
        runlog::Log("SetCurSceneThread end!\n");
    });
}

void SceneOperations::StartSetWholeProfile() {
    ApplyLinkState();
    RefreshWholeView();
    Post(nullptr, WM_SHOW_LOADING);
    mJobs.Start([this, table = mState.scenes, live = mState.live] {
        runlog::Log("SetWholeProfileThread start!\n");
        {
            ExclusiveSession session(mJobs);
            SetReadWholeProfileToMCU(table, live);
            // The amplifier is still writing its flash; nothing else may reach it meanwhile.
            mJobs.SleepMs(kWholeProfileSettleMs);
        }
        Post(nullptr, WM_HIDE_LOADING);
        runlog::Log("SetWholeProfileThread end!\n");
    });
}

void SceneOperations::StartReadWholeProfile(std::function<void()> done) {
    Post(nullptr, WM_SHOW_LOADING);
    mJobs.Start([this, done = std::move(done)] {
        runlog::Log("SaveWholeSceneThread start!\n");
        int missing = 0;
        if (mLink.IsOpen()) {
            ExclusiveSession session(mJobs);
            for (int scene = 1; scene <= STORED_SCENES && !mJobs.Stopping(); ++scene) {
                missing +=
                    dsplink::ReadStoredScene(mLink, scene, [this](int ms) { mJobs.SleepMs(ms); });
            }
            if (!mJobs.Stopping()) {
                missing += mLink.ReadScene(0, 0) ? 0 : 1;
                missing += mReadLiveState() == 0 ? 0 : 1;
            }
        }
        // A read with gaps (the amplifier gone or silent) is not handed on: what was not read
        // would be saved as defaults.
        const bool complete = missing == 0 && !mJobs.Stopped();
        // Queued after the replies just read, so done sees them in the model.
        mJobs.OnOwnerThread([this, done, complete] {
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
    mJobs.Start([this] {
        runlog::Log("Factory default thread start!\n");
        {
            ExclusiveSession session(mJobs);
            mLink.MCU_Factory_Reset_Ctrl();
        }
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
    mChanges.Publish({.kind = ChangeKind::Whole});
}

// ---- sends ----

void SceneOperations::SetReadCurProfileToMCU(const ProfileRecord& record) {
    runlog::Log("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
    SendSceneProfile(mLink, record, {}, [this] { return mJobs.Stopped(); });
    runlog::Log("%s %d\n", "SendMonitorChCfgs", OUTPUT_CHANNELS);
}

void SceneOperations::SetReadWholeProfileToMCU(const SceneTable& table, const ProfileRecord& live) {
    runlog::Log("%s\n", "EqualizerManager::SetReadWholeProfileToMCU");
    // The live EQ bypass goes too, so the amplifier plays what the model shows.
    SendWholeProfile(mLink, live, table, {}, [this] { return mJobs.Stopped(); });
    if (mJobs.Stopped()) {
        return;
    }
    runlog::Log("%s %d\n", "SendMonitorChCfgs", OUTPUT_CHANNELS);
    mJobs.SleepMs(kAfterWholeSendMs);
}

}  // namespace model
