#pragma once
// The HID transport of the virtual amplifier. It carries output reports to a shared
// VirtualAmplifier and hands its answers back as input reports, with the timing of a real
// full-speed link: each report takes the amplifier's report delay, and a reply is readable one
// delay after its request was written. The wire faults set on the amplifier are applied here.
// Every call ticks the amplifier with the clock's time (outside the transport's lock), and the
// clock is lent to the amplifier while the transport lives. Every wait goes through the clock;
// all methods are thread-safe.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/transport.h"
#include "sim/virtual_amplifier.h"

namespace sim {

class SimTransport : public dsplink::HidTransport {
  public:
    SimTransport(std::shared_ptr<VirtualAmplifier> amplifier, dsplink::Clock& clock);
    ~SimTransport() override;
    SimTransport(const SimTransport&) = delete;
    SimTransport& operator=(const SimTransport&) = delete;

    dsplink::OpenResult Open() override;
    void Close() override;
    bool IsOpen() const override;
    int Write(const uint8_t* data, size_t length) override;
    int Read(uint8_t* buffer, size_t capacity, int timeoutMs) override;
    std::string LastError() override;
    bool DeviceLost() override;

    // Input reports waiting for the host, ready or not.
    size_t PendingReports() const;

  private:
    struct Pending {
        std::vector<uint8_t> bytes;
        int64_t readyAtUs = 0;
        // The second half of a split reply: the device's next frame follows in the same report.
        bool openTail = false;
        // The MCU restarts once this has been read.
        bool releasesRestart = false;
    };

    bool UsableLocked();
    void ClearPendingLocked();
    void PullUnsolicitedLocked(int64_t nowUs);
    void EnqueueLocked(const InputReport& report, int64_t readyAtUs, const ReplyFaults& faults,
                       int64_t delayUs);

    std::shared_ptr<VirtualAmplifier> mAmplifier;
    dsplink::Clock& mClock;
    mutable std::mutex mLock;
    bool mOpen = false;
    uint64_t mGeneration = 0;
    std::deque<Pending> mPending;
    std::string mLastError;
};

}  // namespace sim
