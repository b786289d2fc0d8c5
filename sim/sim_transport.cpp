#include "sim/sim_transport.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace sim {
namespace {

// How long a read with nothing pending waits before it looks again for unsolicited reports.
constexpr int64_t kIdleSliceUs = 1000;

// AA 55 LEN type subcmd optype payload checksum: LEN + 4 bytes.
size_t FrameLength(const InputReport& report) {
    return std::min<size_t>(report[2] + 4u, report.size());
}

}  // namespace

SimTransport::SimTransport(std::shared_ptr<VirtualAmplifier> amplifier, dsplink::Clock& clock)
    : mAmplifier(std::move(amplifier)), mClock(clock) {
    mAmplifier->AttachClock(&mClock);
}

SimTransport::~SimTransport() {
    std::lock_guard<std::mutex> guard(mLock);
    ClearPendingLocked();
    mAmplifier->DetachClock(&mClock);
}

dsplink::OpenResult SimTransport::Open() {
    mAmplifier->Tick(mClock.NowUs());
    std::lock_guard<std::mutex> guard(mLock);
    if (!mAmplifier->IsPluggedIn()) {
        mLastError = "the virtual amplifier is unplugged";
        return dsplink::OpenResult::NotFound;
    }
    mOpen = true;
    mGeneration = mAmplifier->PlugGeneration();
    ClearPendingLocked();
    return dsplink::OpenResult::Opened;
}

void SimTransport::Close() {
    std::lock_guard<std::mutex> guard(mLock);
    mOpen = false;
    ClearPendingLocked();
}

void SimTransport::ClearPendingLocked() {
    // An answer nobody will read keeps no restart waiting.
    const bool held = std::any_of(mPending.begin(), mPending.end(),
                                  [](const Pending& p) { return p.releasesRestart; });
    mPending.clear();
    if (held) {
        mAmplifier->ReleaseRestart();
    }
}

bool SimTransport::IsOpen() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mOpen;
}

size_t SimTransport::PendingReports() const {
    std::lock_guard<std::mutex> guard(mLock);
    return mPending.size();
}

std::string SimTransport::LastError() {
    std::lock_guard<std::mutex> guard(mLock);
    return mLastError;
}

bool SimTransport::UsableLocked() {
    if (!mOpen) {
        mLastError = "device not open";
        return false;
    }
    // A handle opened before an unplug stays dead, as a real one does.
    if (!mAmplifier->IsPluggedIn() || mAmplifier->PlugGeneration() != mGeneration) {
        mLastError = "the virtual amplifier was unplugged";
        ClearPendingLocked();
        return false;
    }
    return true;
}

void SimTransport::PullUnsolicitedLocked(int64_t nowUs) {
    for (const InputReport& report : mAmplifier->TakeUnsolicited()) {
        EnqueueLocked(report, nowUs, ReplyFaults{}, 0);
    }
}

void SimTransport::EnqueueLocked(const InputReport& report, int64_t readyAtUs,
                                 const ReplyFaults& faults, int64_t delayUs) {
    std::vector<uint8_t> frame(report.begin(), report.begin() + FrameLength(report));
    if (faults.corrupt) {
        frame.back() = static_cast<uint8_t>(frame.back() + 1);
    }
    if (faults.split) {
        // The first half ends its report, so the parser has to carry it over to the next one.
        const size_t half = frame.size() / 2;
        Pending head;
        head.bytes.assign(report.size() - half, 0);
        head.bytes.insert(head.bytes.end(), frame.begin(), frame.begin() + half);
        head.readyAtUs = readyAtUs;
        mPending.push_back(std::move(head));
        Pending tail;
        tail.bytes.assign(frame.begin() + half, frame.end());
        tail.readyAtUs = readyAtUs + delayUs;
        tail.openTail = true;
        mPending.push_back(std::move(tail));
        return;
    }
    if (!mPending.empty() && mPending.back().openTail &&
        mPending.back().bytes.size() + frame.size() <= report.size()) {
        Pending& tail = mPending.back();
        tail.bytes.insert(tail.bytes.end(), frame.begin(), frame.end());
        tail.readyAtUs = std::max(tail.readyAtUs, readyAtUs);
        return;
    }
    Pending whole;
    whole.bytes = std::move(frame);
    whole.readyAtUs = readyAtUs;
    mPending.push_back(std::move(whole));
}

int SimTransport::Write(const uint8_t* data, size_t length) {
    mAmplifier->Tick(mClock.NowUs());
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (!UsableLocked()) {
            return -1;
        }
        if (data == nullptr || length < 2) {
            mLastError = "empty report";
            return -1;
        }
    }
    const int64_t delayUs = mAmplifier->ReportDelayUs();
    const int64_t startUs = mClock.NowUs();
    if (delayUs > 0) {
        mClock.SleepUs(delayUs);
    }
    bool unplug = false;
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (!UsableLocked()) {
            return -1;
        }
        PullUnsolicitedLocked(mClock.NowUs());
        const VirtualAmplifier::HeldAnswer reply =
            mAmplifier->HandleReportHeld(std::span<const uint8_t>(data, length));
        if (reply.answer) {
            const ReplyFaults faults = mAmplifier->TakeReplyFaults();
            unplug = faults.unplug;
            if (!faults.drop && !unplug) {
                // Timed from the nominal end of the write, so a late wake-up is not paid twice.
                EnqueueLocked(*reply.answer, startUs + 2 * delayUs, faults, delayUs);
                if (reply.holdsRestart) {
                    mPending.back().releasesRestart = true;
                }
            } else if (reply.holdsRestart) {
                mAmplifier->ReleaseRestart();
            }
        }
    }
    // Outside the lock: the amplifier's listeners may talk to this transport.
    if (unplug) {
        mAmplifier->Unplug();
    }
    // What the report set off at once (a pulled cable, a reboot) is over before Write returns.
    mAmplifier->Tick(mClock.NowUs());
    return static_cast<int>(length);
}

bool SimTransport::DeviceLost() {
    std::lock_guard<std::mutex> guard(mLock);
    return mOpen && (!mAmplifier->IsPluggedIn() || mAmplifier->PlugGeneration() != mGeneration);
}

int SimTransport::Read(uint8_t* buffer, size_t capacity, int timeoutMs) {
    if (buffer == nullptr) {
        return -1;
    }
    mAmplifier->Tick(mClock.NowUs());
    const int64_t startUs = mClock.NowUs();
    const int64_t deadlineUs =
        timeoutMs < 0 ? std::numeric_limits<int64_t>::max() : startUs + int64_t{timeoutMs} * 1000;
    for (;;) {
        int64_t wakeUs = 0;
        {
            std::lock_guard<std::mutex> guard(mLock);
            if (!UsableLocked()) {
                return -1;
            }
            const int64_t nowUs = mClock.NowUs();
            PullUnsolicitedLocked(nowUs);
            if (!mPending.empty() && mPending.front().readyAtUs <= nowUs) {
                Pending report = std::move(mPending.front());
                mPending.pop_front();
                report.bytes.resize(dsplink::kReportSize, 0);
                const size_t n = std::min(capacity, report.bytes.size());
                std::copy_n(report.bytes.begin(), n, buffer);
                if (report.releasesRestart) {
                    mAmplifier->ReleaseRestart();
                }
                return static_cast<int>(n);
            }
            // Sleep exactly until the next reply is due; with none pending, look again soon.
            wakeUs = mPending.empty() ? nowUs + kIdleSliceUs : mPending.front().readyAtUs;
        }
        const int64_t nowUs = mClock.NowUs();
        if (nowUs >= deadlineUs) {
            return 0;
        }
        mClock.SleepUs(std::min(wakeUs, deadlineUs) - nowUs);
    }
}

}  // namespace sim
