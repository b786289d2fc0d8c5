#pragma once
// The one mechanism for long device jobs (state read, scenes, profiles, factory reset, the
// waits for the amplifier's queue): one job at a time on a joinable thread, stoppable, its
// sleeps sliced on the clock so shutdown never waits one out, and its results handed to the
// owner's thread. Create, start and destroy it on the owner's thread.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "link/clock.h"
#include "link/dsp_link.h"

namespace model {

class JobRunner {
  public:
    JobRunner(dsplink::DspLink& link, dsplink::Clock& clock);
    // Stops a running job and joins it.
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Joins the previous job, then runs work on a new thread.
    void Start(std::function<void()> work);
    void Wait();
    // From now on a running job and every later one see Stopped(); nothing is posted back.
    void Stop() { mStopping = true; }
    bool Running() const { return mRunning; }

    // For the job: shutdown asked, or the amplifier went away.
    bool Stopped() const { return mStopping || !mLink.IsOpen(); }
    bool Stopping() const { return mStopping; }
    // Sleeps in short slices; false when the job should end instead.
    bool SleepMs(int ms);
    // Runs fn on the owner's thread, after what the job posted before; dropped after Stop or
    // once the runner is gone.
    void OnOwnerThread(std::function<void()> fn);

    dsplink::DspLink& Link() { return mLink; }
    dsplink::Clock& Clock() { return mClock; }

  private:
    dsplink::DspLink& mLink;
    dsplink::Clock& mClock;
    // Lives on the owner's thread; queued calls to it die with it.
    std::unique_ptr<QObject> mContext;
    std::thread mJob;
    std::atomic<bool> mRunning{false};
    std::atomic<bool> mStopping{false};
};

}  // namespace model
