#include "model/exclusive_session.h"

namespace model {

namespace {

constexpr int kSliceMs = 10;

}  // namespace

ExclusiveSession::ExclusiveSession(JobRunner& runner)
    : mRunner(runner), mWasQueued(runner.Link().AsyncMode()) {
    dsplink::DspLink& link = mRunner.Link();
    link.SetAsyncMode(false);
    for (int waited = 0; !link.QueueIdle() && waited < kDrainMs && !mRunner.Stopping();
         waited += kSliceMs) {
        mRunner.Clock().SleepMs(kSliceMs);
    }
}

ExclusiveSession::~ExclusiveSession() {
    if (mWasQueued && !mRunner.Stopped()) {
        mRunner.Link().SetAsyncMode(true);
    }
}

}  // namespace model
