#pragma once
// While it lives, a job has the link to itself: queued mode is off and the queue has drained
// (at most kDrainMs), so its reads are the only ones. At its end queued mode comes back as it
// was, unless the amplifier went away or the job was stopped (disconnecting leaves the link
// in direct mode).

#include "model/job_runner.h"

namespace model {

class ExclusiveSession {
  public:
    static constexpr int kDrainMs = 15000;

    explicit ExclusiveSession(JobRunner& runner);
    ~ExclusiveSession();
    ExclusiveSession(const ExclusiveSession&) = delete;
    ExclusiveSession& operator=(const ExclusiveSession&) = delete;

    // Queued mode was on when the session began.
    bool WasQueued() const { return mWasQueued; }

  private:
    JobRunner& mRunner;
    bool mWasQueued;
};

}  // namespace model
