// The KTV operations against the virtual amplifier: each value reaches the amplifier clamped to
// its range, in its encoding, and only when it changes.

#include <gtest/gtest.h>

#include <memory>

#include "model/ktv_operations.h"
#include "sim/sim_transport.h"

namespace {

using model::KtvValue;

class KtvOperationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
        link.SetAsyncMode(true);
        changes.Subscribe(&counter);
    }
    // The amplifier's value of that KTV subcmd (1..10), once the queue drained.
    int Device(int subcmd) {
        for (int i = 0; i < 20000 && !link.QueueIdle(); ++i) {
            clock.SleepMs(5);
        }
        return amp->Snapshot().ktv[static_cast<size_t>(subcmd - 1)];
    }
    struct Counter : model::ModelSubscriber {
        void OnModelChange(const model::ModelChange& c) override {
            count += c.kind == model::ChangeKind::Ktv ? 1 : 0;
        }
        int count = 0;
    };

    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, clock), clock};
    model::ProfileRecord live;
    model::ModelChanges changes;
    Counter counter;
    model::KtvOperations ops{live, link, changes};
};

TEST_F(KtvOperationsTest, EachValueIsClampedStoredAndWrittenWithItsSubcommandOnce) {
    constexpr int kUntouched = 77;
    struct Row {
        KtvValue value;
        int subcmd;
        int typed;
        int stored;
        int device;  // as the amplifier keeps it; kUntouched when nothing is written
    };
    // From the defaults: microphone and music 60, the rest 0.
    const Row rows[] = {
        {KtvValue::MicVolume, 1, 75, 60, kUntouched},
        {KtvValue::MusicVolume, 2, 12, 12, 12},
        {KtvValue::Howling, 3, 5, 1, 1},
        {KtvValue::EchoLevel, 4, -3, 0, kUntouched},
        {KtvValue::EchoDelay, 5, 300, 300, 300},
        {KtvValue::ReverbLevel, 6, 101, 100, 100},
        {KtvValue::ReverbTime, 7, 999, 255, 255},
        {KtvValue::VoiceChanger, 8, 9, 9, 9},
        {KtvValue::Bass, 9, -6, -6, 0xFA},
        {KtvValue::Treble, 10, -40, -12, 0xF4},
    };
    amp->Modify([](sim::DeviceState& d) { d.ktv.fill(kUntouched); });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.subcmd);
        const int before = counter.count;
        const bool sends = row.device != kUntouched;
        EXPECT_EQ(ops.SetKtvValue(row.value, row.typed), sends);
        EXPECT_EQ(model::KtvValueOf(live.ktv, row.value), row.stored);
        EXPECT_EQ(Device(row.subcmd), row.device);
        EXPECT_EQ(counter.count, before + (sends ? 1 : 0));
        // Again: nothing more.
        amp->Modify([&](sim::DeviceState& d) { d.ktv[static_cast<size_t>(row.subcmd - 1)] = 1; });
        EXPECT_FALSE(ops.SetKtvValue(row.value, row.typed));
        EXPECT_EQ(Device(row.subcmd), 1);
    }
}

}  // namespace
