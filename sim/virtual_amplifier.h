#pragma once
// The virtual amplifier: a device-side model that answers the program's frames from real
// state. Its core, HandleReport, takes one output report and gives at most one input report
// back. Everything else here is for those who drive it: tests poke state and faults, tools
// queue unsolicited reports. All methods may be called from any thread.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "link/frame.h"
#include "link/protocol.h"
#include "sim/device_state.h"
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
    std::optional<InputReport> HandleReport(std::span<const uint8_t> report);

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
    bool IsPluggedIn() const;
    // Counts unplug events, so a transport can tell that its handle went stale.
    uint64_t PlugGeneration() const;
    void SetHotplugCallbacks(std::function<void()> arrival, std::function<void()> removal);

  private:
    void OnFrame(const dsplink::FrameView& frame, bool valid);

    mutable std::mutex mLock;
    DeviceState mState;
    dsplink::FrameParser mParser;
    std::optional<InputReport> mReply;  // the answer to the frame just parsed
    std::deque<InputReport> mUnsolicited;

    int64_t mReportDelayUs = 0;
    int mDropReplies = 0;
    uint64_t mAnswers = 0;                      // answers handed to the transport so far
    std::map<uint64_t, ReplyFaults> mFaultsAt;  // by answer number
    bool mPlugged = true;
    uint64_t mPlugGeneration = 0;
    std::function<void()> mArrival;
    std::function<void()> mRemoval;
};

}  // namespace sim
