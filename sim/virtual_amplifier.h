#pragma once
// The virtual amplifier: a device-side model that answers the program's frames from real
// state. Its core, HandleReport, takes one output report and gives at most one input report
// back. Everything else here is for those who drive it: tests poke state and faults, tools
// queue unsolicited reports. It has no thread of its own: what happens later (a restart's going
// and coming back) happens when it is ticked. All methods may be called from any thread.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "link/clock.h"
#include "link/frame.h"
#include "link/protocol.h"
#include "sim/device_state.h"
#include "sim/firmware_loader.h"
#include "sim/requests.h"

namespace sim {

// What can happen to one answer on its way to the host.
enum class ReplyFault {
    Drop,     // lost
    Corrupt,  // a wrong checksum
    Split,    // straddles two reports
    Unplug,   // the cable goes instead: the request was taken, no answer comes
};

// The faults of one answer (taken once per answer).
struct ReplyFaults {
    bool drop = false;
    bool corrupt = false;
    bool split = false;
    bool unplug = false;
};

class VirtualAmplifier {
  public:
    VirtualAmplifier();
    VirtualAmplifier(const VirtualAmplifier&) = delete;
    VirtualAmplifier& operator=(const VirtualAmplifier&) = delete;

    // One output report (report ID first) in; the answer, if the request has one, out.
    // A request that names something the device does not have, or whose payload is shorter
    // than its layout, changes nothing and is answered OP_ACK with status NOT_READY.
    // When the MCU restarts after the answer (upgrade mode entered from the application, an
    // MCU image finished), the answer counts as read on return: the USB device goes with the
    // next tick.
    std::optional<InputReport> HandleReport(std::span<const uint8_t> report);

    // HandleReport for a transport that hands answers over later: a restart after this answer
    // waits for ReleaseRestart(), which the transport calls once the host has read the answer
    // or it is lost, so that the host always gets it first.
    struct HeldAnswer {
        std::optional<InputReport> answer;
        bool holdsRestart = false;
    };
    HeldAnswer HandleReportHeld(std::span<const uint8_t> report);
    void ReleaseRestart();

    // Firmware upgrade. `fault` hits DATA frame `block` (from 0, in the order sent) of the next
    // session; RefuseStart hits that session's start instead. One fault per session.
    void FailUpgradeAt(int block, UpgradeFault fault);
    // How long a restart keeps the USB device away, in clock time (2000 ms unless set).
    void SetRestartMs(int ms);

    // Applies what is due by `nowUs`; the hot-plug callbacks run after the amplifier's lock is
    // released. A time before the last tick counts as the last tick.
    void Tick(int64_t nowUs);
    // Ticks with the time of the clock attached last, if any: the transport's, so that one
    // ticking from elsewhere (a watcher's timer) keeps the same time.
    void TickNow();
    void AttachClock(dsplink::Clock* clock);
    void DetachClock(dsplink::Clock* clock);

    // State. `change` runs under the amplifier's lock and must not call back into it.
    DeviceState Snapshot() const;
    void Modify(const std::function<void(DeviceState&)>& change);
    void ResetToDefaults();

    // Identity reported by the handshake; abnormal answers with status 0xF0.
    void SetIdentity(uint8_t model, uint8_t masterVersion, uint8_t slaveVersion);
    void SetNormalMode(bool normal);

    // Meters and service data.
    void SetInputNoise(int input, float dB);
    void SetInputClip(int source, int input, bool clipping);
    void SetOutputClip(int source, int output, bool clipping);
    void SetMemWord(uint32_t address, uint32_t data);
    uint32_t MemWord(uint32_t address) const;

    // Makes the next calibration run fail at script step `step` with `reason` (-1: succeed).
    void FailCalibrationAt(int step, uint8_t reason);

    // Unsolicited reports, handed to the host with its next read.
    void QueuePing();
    // The amplifier switched source by itself and reports its new main volume after it.
    void QueueSourceSwitch(uint8_t sourceCode, int8_t mainVolume);
    void QueueUpdate(uint8_t type, uint8_t subcmd, std::span<const uint8_t> payload);
    std::vector<InputReport> TakeUnsolicited();

    // USB side, applied by SimTransport. The delay is per report in either direction.
    void SetReportDelayUs(int64_t us);
    int64_t ReportDelayUs() const;
    void DropReplies(int count);  // the next `count` answers are lost
    void CorruptNextReply();      // the next answer carries a wrong checksum
    void SplitNextReply();        // the next answer straddles two reports
    // The answer after `ahead` more answers (0: the next one) meets `fault`.
    void FaultAnswer(int ahead, ReplyFault fault);
    // Answers handed to the transport so far, faulty ones included.
    uint64_t Answers() const;
    ReplyFaults TakeReplyFaults();

    // Unplugging fails every transfer until plugged in again and a transport reopens.
    void Unplug();
    void PlugIn();
    // On the bus: the cable in and the MCU not restarting.
    bool IsPluggedIn() const;
    // Counts unplug events, so a transport can tell that its handle went stale.
    uint64_t PlugGeneration() const;
    void SetHotplugCallbacks(std::function<void()> arrival, std::function<void()> removal);

  private:
    using Notices = std::vector<std::function<void()>>;

    // A restart of the MCU: the USB device goes at goneAtUs and is back mRestartUs later.
    struct Restart {
        bool held = false;  // until the answer before it has been read
        bool gone = false;
        bool intoLoader = false;
        int64_t goneAtUs = 0;
    };

    HeldAnswer HandleLocked(std::span<const uint8_t> report, bool hold);
    void OnFrame(const dsplink::FrameView& frame, bool valid);
    void ApplyLocked(LoaderAction action, bool answered);
    void RestartLocked(bool intoLoader, bool afterAnswer);
    // Present on the bus: cable in and not restarting. Notes the callbacks a change calls for.
    void UpdatePresenceLocked(Notices& notices);

    mutable std::mutex mLock;
    DeviceState mState;
    FirmwareLoader mLoader;
    dsplink::FrameParser mParser;
    std::optional<InputReport> mReply;  // the answer to the frame just parsed
    std::deque<InputReport> mUnsolicited;

    int64_t mReportDelayUs = 0;
    int mDropReplies = 0;
    uint64_t mAnswers = 0;                      // answers handed to the transport so far
    std::map<uint64_t, ReplyFaults> mFaultsAt;  // by answer number
    bool mCable = true;
    bool mPlugged = true;  // present on the bus
    uint64_t mPlugGeneration = 0;
    Notices mDeferred;  // noted while a report was handled, called by the next tick
    std::optional<Restart> mRestart;
    bool mHolding = false;  // HandleReportHeld is parsing
    bool mHeld = false;     // and a restart waits for its answer
    int64_t mNowUs = 0;     // the last tick
    int64_t mRestartUs = 2'000'000;
    dsplink::Clock* mClock = nullptr;
    std::function<void()> mArrival;
    std::function<void()> mRemoval;
};

}  // namespace sim
