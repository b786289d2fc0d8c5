#pragma once
// Writes one firmware image to the amplifier on the job runner, and the factory reset that may
// follow a forced update. What happens is reported to the window that started it, on the
// owner's thread, as the update windows' messages; a window that closes detaches first.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/dsp_link.h"
#include "model/job_runner.h"

namespace model {

// Messages to the update windows; the value is the percentage (progress) or the
// UpgradeStart result (load failure).
inline constexpr uint32_t WM_UPG_PROGRESS = 1255;
inline constexpr uint32_t WM_UPG_DONE = 1256;
inline constexpr uint32_t WM_UPG_FAIL = 1257;
inline constexpr uint32_t WM_UPG_LOAD_FAIL = 1258;
inline constexpr uint32_t WM_UPG_START_MCU = 1259;
inline constexpr uint32_t WM_UPG_START_FLASH = 1260;

class FirmwareUpdateView {
  public:
    virtual ~FirmwareUpdateView() = default;
    virtual void OnUpgradeMessage(uint32_t message, int value) = 0;
};

class FirmwareUpdate {
  public:
    // The factory reset waits this long before it is sent.
    static constexpr int kFactoryResetPauseMs = 1000;

    FirmwareUpdate(dsplink::DspLink& link, JobRunner& jobs);

    // Writes the image at path (flashStage: the second image of a forced update, so the start
    // message names the flash). False, with nothing started, when the link is closed.
    bool Start(const std::string& path, bool flashStage, FirmwareUpdateView* view);
    bool StartFactoryReset(FirmwareUpdateView* view);
    // Nothing more reaches view; an update it started is cancelled and waited for.
    void Detach(FirmwareUpdateView* view);
    // An update or reset of ours runs on the job runner.
    bool Running() const { return mRunning; }
    bool LinkOpen() const { return mLink.IsOpen(); }

    // While a job runs the amplifier comes and goes as the job expects; the last arrival or
    // removal seen meanwhile is handed to this once the job is over.
    void SetDeviceReplay(std::function<void(bool arrived)> replay) {
        mDeviceReplay = std::move(replay);
    }
    void NoteDeviceChange(bool arrived) { mNotedChange = arrived; }
    // An image was written and the amplifier restarts: its going away is expected until it is
    // back (RestartSeen).
    bool ExpectingRestart() const { return mRestartExpected; }
    void RestartSeen() { mRestartExpected = false; }

    // Set while the window of a forced update is open.
    bool ForcedUpdateActive() const { return mForcedActive; }
    void SetForcedUpdateActive(bool on) { mForcedActive = on; }

  private:
    void Run(const std::string& path, bool flashStage, FirmwareUpdateView* view);
    // From the job: the message reaches view on the owner's thread unless it detached.
    void Report(FirmwareUpdateView* view, uint32_t message, int value, bool last);

    dsplink::DspLink& mLink;
    JobRunner& mJobs;
    FirmwareUpdateView* mView = nullptr;
    std::atomic<bool> mRunning{false};
    std::atomic<bool> mRestartExpected{false};
    bool mForcedActive = false;
    std::optional<bool> mNotedChange;
    std::function<void(bool)> mDeviceReplay;
};

}  // namespace model
