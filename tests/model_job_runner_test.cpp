// The job runner and the exclusive session over the virtual amplifier: jobs run one at a time,
// stop at once when asked or when the amplifier goes, and hand results back in order; a session
// has the link to itself and gives queued mode back only to a link that is still there.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "model/exclusive_session.h"
#include "model/job_runner.h"
#include "model_test_support.h"
#include "sim/sim_transport.h"

namespace {

class JobRunnerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        model_test::CoreApp();
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
    }

    dsplink::ManualClock clock;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, clock), clock};
    model::JobRunner jobs{link, clock};
};

TEST_F(JobRunnerTest, JobsRunOneAtATimeAndHandResultsBackInOrder) {
    std::vector<int> seen;
    std::atomic<int> active{0};
    std::atomic<int> overlap{0};
    for (int job = 0; job < 3; ++job) {
        jobs.Start([&, job] {
            overlap += active++ > 0 ? 1 : 0;
            jobs.SleepMs(50);
            jobs.OnOwnerThread([&seen, job] { seen.push_back(job); });
            --active;
        });
    }
    jobs.Wait();
    EXPECT_EQ(overlap, 0);
    ASSERT_TRUE(model_test::RunUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
}

TEST_F(JobRunnerTest, AStoppedOrOrphanedJobEndsAtOnceAndHandsNothingBack) {
    link.CloseHIDDevice(false);
    const int64_t before = clock.NowMs();
    EXPECT_FALSE(jobs.SleepMs(20000));
    EXPECT_EQ(clock.NowMs(), before) << "no wait once the amplifier is gone";
    ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);

    bool handedBack = false;
    jobs.Start([&] { jobs.OnOwnerThread([&] { handedBack = true; }); });
    jobs.Wait();
    jobs.Stop();  // before the owner's thread ran it
    EXPECT_FALSE(jobs.SleepMs(10));
    model_test::RunUntil([] { return false; }, 50);
    EXPECT_FALSE(handedBack);
}

TEST_F(JobRunnerTest, ASessionDrainsTheQueueAndRestoresQueuedModeOnlyWhileConnected) {
    link.SetAsyncMode(true);
    amp->SetReportDelayUs(2000);
    for (int i = 0; i < 5; ++i) {
        const int mute[] = {1};
        link.Mute_Ch_Ctrl(0, 0, i, i, mute, false);
    }
    jobs.Start([&] {
        model::ExclusiveSession session(jobs);
        EXPECT_TRUE(session.WasQueued());
        EXPECT_FALSE(link.AsyncMode());
        EXPECT_TRUE(link.QueueIdle());
    });
    jobs.Wait();
    EXPECT_TRUE(link.AsyncMode());
    EXPECT_EQ(amp->Snapshot().scenes[0].outputs[4].mute, 1);

    jobs.Start([&] {
        model::ExclusiveSession session(jobs);
        link.CloseHIDDevice(false);
    });
    jobs.Wait();
    EXPECT_FALSE(link.AsyncMode()) << "a closed link stays in direct mode";
}

}  // namespace
