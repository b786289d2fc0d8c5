#include "scene_operations.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>

#include <algorithm>
#include <cstring>
#include <utility>

#include "links.h"
#include "run_log.h"
#include "state_read.h"
#include "value_ranges.h"

namespace model {

namespace {

constexpr int kLiveScene = 0;
constexpr int kSource = 0;
constexpr bool kNow = true;
constexpr int kLowPassFilter = 1;
constexpr int kHighPassFilter = 2;
constexpr int kLastOutput = OUTPUT_CHANNELS - 1;
// The amplifier takes the main volume as this minus the volume.
constexpr int kMainVolumeTop = MAX_MAIN_VOLUME;
// How long a job waits for queued commands to drain before it goes ahead anyway.
constexpr int kQueueDrainMs = 15000;
constexpr int kSliceMs = 10;
// The amplifier writes a whole profile to flash after the last command.
constexpr int kWholeProfileSettleMs = 20000;
constexpr int kAfterWholeSendMs = 200;

// A name's bytes up to its first zero, at most the 16-byte field.
std::string StoredBytes(const std::array<char, SCENE_NAME_BYTES>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string(field.begin(), end);
}

}  // namespace

std::string SceneNameBytes(const QString& name) {
    QString text = name.left(SCENE_NAME_CHARS);
    // Never end inside a surrogate pair.
    if (!text.isEmpty() && text.back().isHighSurrogate()) {
        text.chop(1);
    }
    QByteArray bytes = text.toLocal8Bit();
    // Room for the terminator: drop whole characters until it fits.
    while (bytes.size() > SCENE_NAME_BYTES - 1 && !text.isEmpty()) {
        text.chop(1);
        if (!text.isEmpty() && text.back().isHighSurrogate()) {
            text.chop(1);
        }
        bytes = text.toLocal8Bit();
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
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(length));
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
        const size_t length = strnlen(reinterpret_cast<const char*>(name.data()), name.size());
        mLink.SetSceneName(scene, std::span<const uint8_t>(name.data(), length));
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
        if (mLink.IsOpen()) {
            const bool wasQueued = EnterExclusive();
            for (int scene = 1; scene <= STORED_SCENES && !mStopping; ++scene) {
                dsplink::ReadStoredScene(mLink, scene, [this](int ms) { SleepMs(ms); });
            }
            if (!mStopping) {
                mLink.ReadScene(0, 0);
                mReadLiveState();
            }
            LeaveExclusive(wasQueued);
        }
        // Queued after the replies just read, so done sees them in the model.
        OnOwnerThread([this, done] {
            done();
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

void SceneOperations::SendOutputs(int scene, const ProfileRecord& record, bool withBypass) {
    for (int o = 0; o < OUTPUT_CHANNELS && !mStopping; ++o) {
        const OutputChannel& channel = record.channels[static_cast<size_t>(o)];
        const Crossover& x = channel.crossover;
        mLink.Filter_Ctrl(scene, kSource, o, kLowPassFilter, x.lp.type(), x.lp.fs(), x.lp.slope(),
                          kNow);
        mLink.Filter_Ctrl(scene, kSource, o, kHighPassFilter, x.hp.type(), x.hp.fs(), x.hp.slope(),
                          kNow);
        const EqBand* bands = BandsOf(record, o);
        const int count = std::clamp(channel.eqSize, 0, MAX_EQ_BANDS);
        for (int b = 0; b < count && !mStopping; ++b) {
            mLink.EQ_Ctrl(scene, kSource, o, b, bands[b].freq, bands[b].eqFactor, bands[b].eqGain,
                          kNow);
        }
    }
    if (mStopping) {
        return;
    }
    std::array<int, OUTPUT_CHANNELS> types{};
    std::array<float, OUTPUT_CHANNELS> trims{};
    std::array<int, OUTPUT_CHANNELS> mutes{};
    std::array<int, OUTPUT_CHANNELS> phases{};
    std::array<int, OUTPUT_CHANNELS> solos{};
    std::array<float, OUTPUT_CHANNELS> delays{};
    std::array<int, OUTPUT_CHANNELS> bypass{};
    for (size_t o = 0; o < OUTPUT_CHANNELS; ++o) {
        const OutputChannel& channel = record.channels[o];
        types[o] = record.outputs[o];
        trims[o] = 0.0f - channel.gain;
        mutes[o] = channel.mute;
        phases[o] = channel.phase;
        solos[o] = channel.solo;
        delays[o] = channel.delay;
        bypass[o] = channel.bypass;
    }
    mLink.CH_Type_Ctrl(scene, kSource, 0, kLastOutput, types, kNow);
    mLink.Trim_Ctrl(scene, kSource, 0, kLastOutput, trims, kNow);
    mLink.Mute_Ch_Ctrl(scene, kSource, 0, kLastOutput, mutes, kNow);
    mLink.Phase_Ctrl(scene, kSource, 0, kLastOutput, phases, kNow);
    mLink.Solo_Ctrl(scene, kSource, 0, kLastOutput, solos, kNow);
    mLink.Delay_Ctrl(scene, kSource, 0, kLastOutput, delays, kNow);
    if (withBypass) {
        mLink.PEQ_Bypass_Ctrl(scene, kSource, 0, kLastOutput, bypass, kNow);
    }
}

void SceneOperations::SendMixMasks(int scene, const ProfileRecord& record, int source) {
    if (!IsSourceIndex(source) || mStopping) {
        return;
    }
    const PerOutput<int>& masks = record.inputs[static_cast<size_t>(source)];
    mLink.Mix_Ch_Ctrl(scene, source, 0, kLastOutput, masks, kNow);
}

void SceneOperations::SendInputMixTrims(int scene, const ProfileRecord& record) {
    for (int s = 0; s < INPUT_SOURCES && !mStopping; ++s) {
        const int rows = std::min(dsplink::kSourceInputCounts[s], INPUT_ROWS);
        for (int row = 0; row < rows && !mStopping; ++row) {
            std::array<int, OUTPUT_CHANNELS> levels{};
            const auto& stored =
                record.inputMixVolume[static_cast<size_t>(s)][static_cast<size_t>(row)];
            for (size_t o = 0; o < OUTPUT_CHANNELS; ++o) {
                // Levels travel as bytes; a record from a file may hold anything.
                levels[o] = ClampMixLevel(stored[o]);
            }
            mLink.Input_Mix_Trim_Ctrl(scene, s, row, 0, kLastOutput, levels, kNow);
        }
    }
}

void SceneOperations::SetReadCurProfileToMCU(const ProfileRecord& record) {
    runlog::Log("%s\n", "EqualizerManager::SetReadCurProfileToMCU");
    mLink.Main_Volume_Ctrl(static_cast<float>(kMainVolumeTop - ClampMainVolume(record.mainVolume)),
                           kNow);
    mLink.Mute_Ctrl(record.mainVolumeMute, kNow);
    SendOutputs(kLiveScene, record, true);
    SendMixMasks(kLiveScene, record, record.currentSource);
    SendInputMixTrims(kLiveScene, record);
    runlog::Log("%s %d\n", "SendMonitorChCfgs", OUTPUT_CHANNELS);
}

void SceneOperations::SetReadWholeProfileToMCU(const SceneTable& table, const ProfileRecord& live) {
    runlog::Log("%s\n", "EqualizerManager::SetReadWholeProfileToMCU");
    for (int n = 1; n <= STORED_SCENES && !mStopping && mLink.IsOpen(); ++n) {
        runlog::Log("set scene(%d)\n", n);
        const auto index = static_cast<size_t>(n - 1);
        const ProfileRecord& record = table.records[index];
        // A scene's solo and EQ bypass belong to that scene like its mute and phase.
        SendOutputs(n, record, true);
        SendMixMasks(n, record, record.currentSource);
        SendInputMixTrims(n, record);
        // Normalised, so that an overlong name from a file is sent as its first characters.
        const std::string name = SceneNameBytes(SceneNameText(StoredBytes(table.names[index])));
        mLink.SetSceneName(n, std::span<const uint8_t>(
                                  reinterpret_cast<const uint8_t*>(name.data()), name.size()));
        mLink.SaveScene(n, 1);
    }
    if (mStopping || !mLink.IsOpen()) {
        return;
    }
    mLink.Main_Volume_Ctrl(static_cast<float>(kMainVolumeTop - ClampMainVolume(live.mainVolume)),
                           kNow);
    mLink.Mute_Ctrl(live.mainVolumeMute, kNow);
    // The live EQ bypass goes too, so the amplifier plays what the model shows.
    SendOutputs(kLiveScene, live, true);
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        SendMixMasks(kLiveScene, live, s);
    }
    SendInputMixTrims(kLiveScene, live);
    runlog::Log("%s %d\n", "SendMonitorChCfgs", OUTPUT_CHANNELS);
    SleepMs(kAfterWholeSendMs);
}

}  // namespace model
