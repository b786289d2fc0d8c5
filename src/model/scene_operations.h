#pragma once
// The scenes stored in the amplifier's flash and the sends of whole records: loading a stored
// scene into the live set, saving the live set as a scene, deleting one, sending a profile
// record (or a whole scene table) that is already in memory, and the factory reset.
//
// Runs on the manager's thread. Each device job runs on the manager's job runner. Jobs never
// touch the view: they post window messages through ManagerEvents and hand model changes and
// view refreshes back to the manager's thread. Every job talks to the amplifier inside an
// exclusive session (queued mode off, the queue drained), so no reply can reach the wrong
// reader.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/clock.h"
#include "link/dsp_link.h"
#include "model/channel_curves.h"
#include "model/edit_history.h"
#include "model/job_runner.h"
#include "model/manager_events.h"
#include "model/model_changes.h"
#include "model/operations_view.h"
#include "model/profile_record.h"
#include "model/reply_handlers.h"

class QString;

namespace model {

// A stored name holds this many characters at most (16 bytes of UTF-16 with a terminator).
inline constexpr int SCENE_NAME_CHARS = 7;

// A typed name as it is kept in the scene table and sent: at most SCENE_NAME_CHARS characters,
// in the local 8-bit encoding, cut at a character boundary so that a terminating zero still
// fits the 16-byte field.
std::string SceneNameBytes(const QString& name);
// A stored name as it is shown: its first SCENE_NAME_CHARS characters.
QString SceneNameText(const std::string& bytes);

class SceneOperations {
  public:
    // Reads the handshake and the whole live state back (the manager's state read); -1 when
    // the handshake fails, else the reads without an answer. Called on a worker thread.
    using LiveStateReader = std::function<int()>;

    // Its jobs run on jobs, which the owner stops and joins before this object goes.
    SceneOperations(ModelState& state, dsplink::DspLink& link, JobRunner& jobs,
                    ManagerEvents* events, ChannelCurves& curves, ModelChanges& changes,
                    EditHistory& history, LiveStateReader readLiveState);
    SceneOperations(const SceneOperations&) = delete;
    SceneOperations& operator=(const SceneOperations&) = delete;

    void SetView(OperationsView* view) { mView = view; }

    // The device scene (1..10) the scene window chose; 0 none. Other values are ignored.
    int CurrentScene() const { return mCurrentScene; }
    void SetCurrentScene(int scene);

    // The name the save job sends, zero-padded.
    const std::array<uint8_t, SCENE_NAME_BYTES>& SceneNameBuffer() const {
        return mSceneNameBuffer;
    }
    void ClearSceneNameBuffer() { mSceneNameBuffer.fill(0); }
    void SetSceneNameBuffer(const std::string& bytes);

    // The scene window's jobs, on scene CurrentScene(). replyTo receives their
    // WM_HIDE_LOADING (the window posts its own WM_SHOW_LOADING first); null means the
    // manager's events. False when there is no scene chosen.
    bool StartLoadScene(std::shared_ptr<ManagerEvents> replyTo);
    bool StartSaveScene(std::shared_ptr<ManagerEvents> replyTo);
    bool StartDeleteScene(std::shared_ptr<ManagerEvents> replyTo);
    // Asks the amplifier for its current scene; the answer reaches the scene reply target.
    void StartReadCurrentScene();

    // After a profile file was loaded into the model: refresh the whole view, show the busy
    // window, send the live record (or the scene table and the live record), hide it.
    void StartSetCurScene();
    void StartSetWholeProfile();

    // Before a whole profile is saved: behind the busy window, reads the ten stored scenes,
    // brings the live set back and reads it, then, when every read was answered, runs done on
    // the manager's thread, where the model holds what was read, and hides the busy window.
    void StartReadWholeProfile(std::function<void()> done);

    // Asks through the view; on yes resets the amplifier behind the busy window and posts
    // WM_DEVICE_REBOOT.
    void ResetMcuFactoryDefault();

    // The sends themselves, every command at once (any thread; no model access).
    void SetReadCurProfileToMCU(const ProfileRecord& record);
    void SetReadWholeProfileToMCU(const SceneTable& table, const ProfileRecord& live);

    bool JobRunning() const { return mJobs.Running(); }
    void WaitForJobs() { mJobs.Wait(); }

  private:
    void Post(const std::shared_ptr<ManagerEvents>& to, uint32_t message);
    // Curves and the whole view after the live set was replaced (manager's thread).
    void RefreshWholeView();
    // The link state part of the refresh (model only).
    void ApplyLinkState();

    ModelState& mState;
    dsplink::DspLink& mLink;
    JobRunner& mJobs;
    ManagerEvents* mEvents;
    ChannelCurves& mCurves;
    ModelChanges& mChanges;
    EditHistory& mHistory;
    LiveStateReader mReadLiveState;
    OperationsView* mView = nullptr;

    int mCurrentScene = 0;
    std::array<uint8_t, SCENE_NAME_BYTES> mSceneNameBuffer{};
};

}  // namespace model
