// The compressor operations against the virtual amplifier: the frame each accepted change
// writes, the clamps and wire steps, nothing written for a change that changes nothing, and
// the amplifier keeping one compressor per output whichever command set it.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "link/subcommands.h"
#include "model/compressor_operations.h"
#include "recording_transport.h"

namespace {

using model_test::Frame;
using Bytes = std::vector<uint8_t>;

struct Counter : model::ModelSubscriber {
    void OnModelChange(const model::ModelChange& change) override {
        if (change.kind == model::ChangeKind::Compressor) {
            outputs.push_back(change.output);
        }
    }
    std::vector<int> outputs;
};

class CompressorOperationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
        link.SetAsyncMode(true);
        changes.Subscribe(&counter);
    }
    // The frames written since the last call, once the queue drained.
    std::vector<Frame> Sent() {
        for (int i = 0; i < 20000 && !link.QueueIdle(); ++i) {
            clock.SleepMs(5);
        }
        EXPECT_TRUE(link.QueueIdle());
        std::vector<Frame> out;
        out.swap(frames);
        return out;
    }
    const sim::OutputState& Device(int output) {
        snapshot = amp->Snapshot();
        return snapshot.scenes[0].outputs[static_cast<size_t>(output)];
    }

    std::vector<Frame> frames;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<model_test::RecordingTransport>(amp, clock, frames),
                          clock};
    sim::DeviceState snapshot;
    model::ProfileRecord live;
    model::ModelChanges changes;
    Counter counter;
    model::CompressorOperations ops{live, link, changes};
};

TEST_F(CompressorOperationsTest, WholeCompressorIsOneFrameInWireStepsAndRepeatsSendNothing) {
    const model::CompressorSettings typed{0, -12.34f, 4.0f, 37, 260, 6.04f};
    EXPECT_TRUE(ops.SetCompressor(3, typed));
    // Threshold + 100 as tenths, release on whole tenths of a second.
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_COMPRESSOR_SETTING, 0, 0, 3, 0, 87, 7, 4, 0,
                                           6, 0, 0x00, 37, 0x01, 0x2C}}));
    EXPECT_EQ(model::CompressorOf(live, 3),
              (model::CompressorSettings{0, -12.3f, 4.0f, 37, 300, 6.0f}));
    EXPECT_EQ(counter.outputs, std::vector<int>{3});
    // The other command reports the same compressor.
    EXPECT_EQ(Device(3).compressor2, (std::array<uint8_t, 6>{0xF4, 0xFD, 0, 37, 0, 3}));

    EXPECT_FALSE(ops.SetCompressor(3, typed));
    EXPECT_FALSE(ops.SetCompressor(3, model::CompressorOf(live, 3)));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(counter.outputs.size(), 1u);
}

TEST_F(CompressorOperationsTest, ValuesOutsideTheLimitsAreHeldAtThem) {
    EXPECT_TRUE(ops.SetCompressor(0, {7, 500.0f, 0.0f, -5, 70000, 99.0f}));
    EXPECT_TRUE(ops.SetCompressor(11, {1, NAN, 300.0f, 9000, 0, -1.0f}));
    EXPECT_EQ(
        Sent(),
        (std::vector<Frame>{
            {dsplink::DSP_COMPRESSOR_SETTING, 0, 0, 0, 1, 227, 0, 1, 0, 48, 0, 0, 0, 0xFF, 0xDC},
            {dsplink::DSP_COMPRESSOR_SETTING, 0, 0, 11, 1, 0, 0, 100, 0, 0, 0, 0x13, 0x88, 0x00,
             0x64},
        }));
    EXPECT_EQ(live.compressorThreshold[0], model::MAX_COMPRESSOR_THRESHOLD);
    EXPECT_EQ(live.compressorThreshold[11], model::MIN_COMPRESSOR_THRESHOLD);
    for (int bad : {-1, 12, 1000}) {
        EXPECT_FALSE(ops.SetCompressor(bad, {}));
        EXPECT_FALSE(ops.SetCompressorBasics(bad, 0.0f, 10, 100));
        EXPECT_FALSE(ops.SetCompressorOn(bad, false));
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(CompressorOperationsTest, BasicsSendThresholdAttackAndReleaseOfOneOutput) {
    live.compressorRatio[5] = 3.5f;
    EXPECT_TRUE(ops.SetCompressorBasics(5, -12.5f, 20, 200));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_COMPRESSOR_SETTING2, 0, 0, 5, 5, 0xF4, 0xFB,
                                           0x00, 0x14, 0x00, 0x02}}));
    EXPECT_EQ(live.compressorRatio[5], 3.5f);
    EXPECT_EQ(live.compressorBypass[5], 1);
    // The full record the amplifier reports follows: threshold + 100, attack, release in ms.
    const auto& full = Device(5).compressor;
    EXPECT_EQ(Bytes(full.begin() + 1, full.begin() + 3), (Bytes{87, 5}));
    EXPECT_EQ(Bytes(full.begin() + 7, full.end()), (Bytes{0x00, 0x14, 0x00, 0xC8}));

    // A release the command cannot carry is kept as it arrives: 250 ms is 0.3 s.
    EXPECT_TRUE(ops.SetCompressorBasics(5, -12.5f, 20, 250));
    EXPECT_EQ(live.compressorRelease[5], 300);
    EXPECT_EQ(Sent().at(0).back(), 3);
    EXPECT_FALSE(ops.SetCompressorBasics(5, -12.5f, 20, 300));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(CompressorOperationsTest, OnSwitchIsOneChannelBlockAndOnlyWhenItFlips) {
    EXPECT_FALSE(ops.SetCompressorOn(7, true));  // on by default
    EXPECT_TRUE(ops.SetCompressorOn(7, false));
    EXPECT_FALSE(ops.SetCompressorOn(7, false));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_COMPRESSOR_ON_CH, 0, 0, 7, 7, 0}}));
    EXPECT_EQ(live.channels[7].compressorOn, 0);
    EXPECT_EQ(Device(7).compressorOn, 0);
    EXPECT_EQ(Device(6).compressorOn, 1);
    EXPECT_EQ(counter.outputs, std::vector<int>{7});
}

}  // namespace
