#pragma once
// A scripted transport for link tests: records every report written and answers reads from a
// queue of canned reports. The test keeps the script; the link owns the transport.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "link/clock.h"
#include "link/transport.h"

namespace testing_support {

struct TransportScript {
    std::mutex lock;
    dsplink::OpenResult openResult = dsplink::OpenResult::Opened;
    bool open = false;
    bool failWrites = false;
    // Unplugged: every transfer fails and the transport says that the device is gone.
    bool gone = false;
    // Reports written, report ID included (65 bytes each).
    std::vector<std::vector<uint8_t>> written;
    // Reports handed out by Read, one per call, in order.
    std::deque<std::vector<uint8_t>> replies;
    // When set, each write queues this function's answer (if not empty) as the next reply.
    std::function<std::vector<uint8_t>(const std::vector<uint8_t>& report)> responder;
    // Runs at the start of every write, outside the script's lock (e.g. to hold a write open).
    std::function<void()> beforeWrite;

    void QueueReply(std::vector<uint8_t> report) {
        std::lock_guard<std::mutex> guard(lock);
        replies.push_back(std::move(report));
    }
    std::vector<std::vector<uint8_t>> Written() {
        std::lock_guard<std::mutex> guard(lock);
        return written;
    }
};

class FakeTransport : public dsplink::HidTransport {
  public:
    FakeTransport(std::shared_ptr<TransportScript> script, dsplink::Clock& clock)
        : mScript(std::move(script)), mClock(clock) {}

    dsplink::OpenResult Open() override {
        std::lock_guard<std::mutex> guard(mScript->lock);
        mScript->open = mScript->openResult == dsplink::OpenResult::Opened;
        return mScript->openResult;
    }
    void Close() override {
        std::lock_guard<std::mutex> guard(mScript->lock);
        mScript->open = false;
    }
    bool IsOpen() const override {
        std::lock_guard<std::mutex> guard(mScript->lock);
        return mScript->open;
    }
    int Write(const uint8_t* data, size_t length) override {
        if (mScript->beforeWrite) {
            mScript->beforeWrite();
        }
        std::lock_guard<std::mutex> guard(mScript->lock);
        if (!mScript->open || mScript->failWrites || mScript->gone) {
            return -1;
        }
        mScript->written.emplace_back(data, data + length);
        if (mScript->responder) {
            std::vector<uint8_t> answer = mScript->responder(mScript->written.back());
            if (!answer.empty()) {
                mScript->replies.push_back(std::move(answer));
            }
        }
        return static_cast<int>(length);
    }
    int Read(uint8_t* buffer, size_t capacity, int timeoutMs) override {
        const int64_t deadline = mClock.NowMs() + timeoutMs;
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(mScript->lock);
                if (!mScript->open || mScript->gone) {
                    return -1;
                }
                if (!mScript->replies.empty()) {
                    std::vector<uint8_t> report = std::move(mScript->replies.front());
                    mScript->replies.pop_front();
                    const size_t n = std::min(report.size(), capacity);
                    std::copy_n(report.begin(), n, buffer);
                    return static_cast<int>(n);
                }
            }
            if (mClock.NowMs() >= deadline) {
                return 0;
            }
            mClock.SleepMs(1);
        }
    }
    std::string LastError() override { return "scripted failure"; }
    bool DeviceLost() override {
        std::lock_guard<std::mutex> guard(mScript->lock);
        return mScript->gone;
    }

  private:
    std::shared_ptr<TransportScript> mScript;
    dsplink::Clock& mClock;
};

}  // namespace testing_support
