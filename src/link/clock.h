#pragma once
// Every wait of the link goes through a clock, so tests can run the protocol's long
// time-outs without waiting for them.

#include <atomic>
#include <chrono>
#include <cstdint>

namespace dsplink {

class Clock {
  public:
    virtual ~Clock() = default;
    // Monotonic time in microseconds.
    virtual int64_t NowUs() = 0;
    virtual void SleepUs(int64_t us) = 0;

    int64_t NowMs() { return NowUs() / 1000; }
    void SleepMs(int64_t ms) { SleepUs(ms * 1000); }
};

class SystemClock : public Clock {
  public:
    int64_t NowUs() override;
    void SleepUs(int64_t us) override;
};

// Virtual time: a sleep advances the clock at once and yields for a moment of real time, so
// a 10 s time-out passes in about 0.1 s while other threads still get to run.
class ManualClock : public Clock {
  public:
    int64_t NowUs() override { return mNowUs.load(); }
    void SleepUs(int64_t us) override;
    void Advance(int64_t us) { mNowUs += us; }

  private:
    std::atomic<int64_t> mNowUs{0};
};

}  // namespace dsplink
