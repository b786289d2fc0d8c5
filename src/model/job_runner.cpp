#include "model/job_runner.h"

#include <QMetaObject>

#include <algorithm>

namespace model {

namespace {

constexpr int kSliceMs = 10;

}  // namespace

JobRunner::JobRunner(dsplink::DspLink& link, dsplink::Clock& clock)
    : mLink(link), mClock(clock), mContext(std::make_unique<QObject>()) {}

JobRunner::~JobRunner() {
    mStopping = true;
    Wait();
}

void JobRunner::Start(std::function<void()> work) {
    Wait();
    mRunning = true;
    mJob = std::thread([this, work = std::move(work)] {
        work();
        mRunning = false;
    });
}

void JobRunner::Wait() {
    if (mJob.joinable()) {
        mJob.join();
    }
}

bool JobRunner::SleepMs(int ms) {
    for (int left = ms; left > 0; left -= kSliceMs) {
        if (Stopped()) {
            return false;
        }
        mClock.SleepMs(std::min(left, kSliceMs));
    }
    return !Stopped();
}

void JobRunner::OnOwnerThread(std::function<void()> fn) {
    if (mStopping) {
        return;
    }
    QMetaObject::invokeMethod(
        mContext.get(),
        [this, fn = std::move(fn)] {
            if (!mStopping) {
                fn();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace model
