// Mixer operations against the virtual amplifier: the frames written per change, the clamps,
// nothing sent for a value that does not change, the linked partner copied, the vice rules,
// and the amplifier's state after the queue drained.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "link/reply_records.h"
#include "link/subcommands.h"
#include "model/input_operations.h"
#include "model/mixer_operations.h"
#include "model/reply_handlers.h"
#include "recording_transport.h"
#include "sim/sim_transport.h"

namespace {

using model_test::Frame;
using model_test::RecordingTransport;

class MixerOperationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
        link.SetAsyncMode(true);
        live.currentSource = 0;
    }
    // The frames written since the last call, after the queue drained.
    std::vector<Frame> Sent() {
        for (int i = 0; i < 20000 && !link.QueueIdle(); ++i) {
            clock.SleepMs(5);
        }
        std::vector<Frame> out;
        out.swap(frames);
        return out;
    }

    std::vector<Frame> frames;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<RecordingTransport>(amp, clock, frames), clock};
    model::ProfileRecord live;
    model::ModelChanges changes;
    model::InputOperations inputs{live, link, changes};
    model::MixerOperations mixer{live, link, changes, inputs};
};

constexpr uint8_t kTrim = dsplink::DSP_INPUT_MIX_CH_TRIM;
constexpr uint8_t kMask = dsplink::DSP_MIX_CH;

TEST_F(MixerOperationsTest, LevelsAreClampedSentOnceAndRouteTheInput) {
    live.inputs[0][3] = 0;
    live.inputMixVolume[0][1][3] = 0;
    EXPECT_TRUE(mixer.SetVolume(1, 3, 250));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{kTrim, 0, 0, 1, 3, 3, 100}, {kMask, 0, 0, 3, 3, 0, 2}}));
    EXPECT_EQ(live.inputMixVolume[0][1][3], 100);
    EXPECT_EQ(mixer.Volume(1, 3), 100);
    // The same level again: nothing changes and nothing goes out.
    EXPECT_FALSE(mixer.SetVolume(1, 3, 100));
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(mixer.SetVolume(1, 3, 40));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{kTrim, 0, 0, 1, 3, 3, 40}}));
    EXPECT_TRUE(mixer.SetVolume(1, 3, -5));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{kTrim, 0, 0, 1, 3, 3, 0}, {kMask, 0, 0, 3, 3, 0, 0}}));
    // Off stored 0, so on again brings 100, not 40.
    EXPECT_TRUE(mixer.SetEnabled(1, 3, true));
    EXPECT_EQ(mixer.Volume(1, 3), 100);
    Sent();
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.scenes[0].sources[0].mixTrim[1][3], 100);
    EXPECT_EQ(d.scenes[0].sources[0].mixMask[3], 2);
    // Rows the source does not show are refused.
    Sent();
    EXPECT_FALSE(mixer.SetVolume(5, 3, 50));
    EXPECT_FALSE(mixer.SetVolume(1, 12, 50));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(MixerOperationsTest, ViceRowsUseTheInputsAfterTheSourcesOwn) {
    // Two-input source: the vice rows are inputs 2 and 3; the high-level source mixes 8.
    EXPECT_EQ(model::MixerInputOfRow(0, 10), 2);
    EXPECT_EQ(model::MixerInputOfRow(0, 11), 3);
    EXPECT_EQ(model::MixerInputOfRow(5, 7), 7);
    EXPECT_EQ(model::MixerInputOfRow(5, 8), -1);
    EXPECT_EQ(model::MixerInputOfRow(5, 10), 8);
    live.inputs[0][0] = 0;
    EXPECT_TRUE(mixer.SetVolume(11, 0, 60));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{kTrim, 0, 0, 3, 0, 0, 60}, {kMask, 0, 0, 0, 0, 0, 8}}));
}

TEST_F(MixerOperationsTest, ALinkedPartnerTakesTheSameCell) {
    live.bridgeOutputs[2] = 1;  // outputs 4 and 5
    live.inputs[0][4] = 1;
    live.inputs[0][5] = 1;
    live.inputMixVolume[0][0][4] = 100;
    live.inputMixVolume[0][0][5] = 100;
    EXPECT_TRUE(mixer.SetVolume(0, 5, 30));
    EXPECT_EQ(Sent(), (std::vector<Frame>{{kTrim, 0, 0, 0, 5, 5, 30}, {kTrim, 0, 0, 0, 4, 4, 30}}));
    EXPECT_EQ(mixer.Volume(0, 4), 30);
}

TEST_F(MixerOperationsTest, ClearMixSilencesEveryOutputOnTheAmplifier) {
    mixer.ClearMix();
    const std::vector<Frame> sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back()[0], kMask);
    const sim::DeviceState d = amp->Snapshot();
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        EXPECT_EQ(d.scenes[0].sources[0].mixMask[o], 0);
        EXPECT_EQ(d.scenes[0].sources[0].mixTrim[0][o], 0);
        EXPECT_EQ(live.inputs[0][o], 0);
    }
    // Cleared already: nothing more to send.
    mixer.ClearMix();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(MixerOperationsTest, PhaseAndViceGainAreSentAsTheAmplifierTakesThem) {
    mixer.SetInputPhase(1, true);
    mixer.SetInputPhase(1, true);
    mixer.SetViceGain(0, 50);
    mixer.SetViceGain(1, -100);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_INPUT_CH_PHASE, 0, 0, 1, 1, 1},
                                          {dsplink::DSP_CROSS_SOURCE_MIX, 0, 0, 2, 0x5A, 0, 38},
                                          {dsplink::DSP_CROSS_SOURCE_MIX, 0, 0, 3, 0x5A, 0, 0}}));
    EXPECT_EQ(live.viceGain[0][2], 6);
    EXPECT_EQ(live.viceGain[0][3], -32);
}

TEST_F(MixerOperationsTest, ChoosingAViceSourceMovesTheOtherSlotToTheComplement) {
    const uint8_t k = dsplink::DSP_CROSS_SOURCE_MIX_CS47048;
    mixer.SelectViceSource(0, 201);  // Bluetooth R into input 2
    EXPECT_EQ(Sent(), (std::vector<Frame>{{k, 0, 0, 0x53, 1, 2}}));
    // The other slot had none: it stays. Now it takes Bluetooth R too, and slot 0 moves to L.
    mixer.SelectViceSource(1, 201);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{k, 0, 0, 0x53, 1, 3}, {k, 0, 0, 0x53, 0, 2}}));
    EXPECT_EQ(live.viceChannel[0][2], 0);
    // A different source in slot 1 moves slot 0 to that source's complement.
    mixer.SelectViceSource(1, 300);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{k, 0, 0, 0x54, 0, 3}, {k, 0, 0, 0x54, 1, 2}}));
    // None never moves the other slot; a tag above the last source is none.
    mixer.SelectViceSource(1, 4200);
    EXPECT_EQ(Sent(), (std::vector<Frame>{{k, 0, 0, 0x5A, 0, 3}}));
    const sim::DeviceState d = amp->Snapshot();
    EXPECT_EQ(d.scenes[0].sources[0].cross[2].source, 0x54);
    EXPECT_EQ(d.scenes[0].sources[0].cross[2].channel, 1);
}

TEST_F(MixerOperationsTest, HighLevelViceComplementIsChannelNineOrEight) {
    live.currentSource = 5;
    mixer.SelectViceSource(0, 503);
    mixer.SelectViceSource(1, 503);
    EXPECT_EQ(live.viceChannel[5][8], 9);
    mixer.SelectViceSource(1, 509);
    EXPECT_EQ(live.viceChannel[5][8], 8);
}

TEST_F(MixerOperationsTest, DistortionRequestsCoverTheSourcesInputsAndEveryOutput) {
    link.SetAsyncMode(false);
    live.currentSource = 5;
    mixer.RequestDistortion();
    EXPECT_EQ(Sent(), (std::vector<Frame>{{dsplink::DSP_INPUT_CH_DISTORT, 0, 5, 0, 7},
                                          {dsplink::DSP_OUTPUT_CH_DISTORT, 0, 5, 0, 11}}));
}

// Clipping replies are untrusted: only ranges inside the model's rows land.
TEST(MixerDistortReplies, StoreFlagsWithinTheRowsAndDropTheRest) {
    model::ModelState state;
    model::ModelSync sync(state);
    auto reply = [&](uint32_t kind, int source, int first, int last, uint8_t flag) {
        auto r = std::make_unique<dsplink::DistortRecord>();
        r->source = source;
        r->first = first;
        r->last = last;
        r->values.fill(flag);
        sync.ReadDspValueCallback(kind, 0, std::move(r));
    };
    reply(dsplink::DSP_INPUT_CH_DISTORT, 5, 0, 7, 1);
    reply(dsplink::DSP_OUTPUT_CH_DISTORT, 5, 10, 11, 1);
    EXPECT_EQ(state.live.inDistort[5][7], 1);
    EXPECT_EQ(state.live.inDistort[5][8], 0);
    EXPECT_EQ(state.live.outDistort[5][11], 1);
    EXPECT_EQ(state.live.outDistort[5][9], 0);
    // Outside the outputs, the sources, or backwards: nothing changes.
    reply(dsplink::DSP_OUTPUT_CH_DISTORT, 5, 0, 15, 2);
    reply(dsplink::DSP_INPUT_CH_DISTORT, 9, 0, 1, 2);
    reply(dsplink::DSP_INPUT_CH_DISTORT, 5, 3, 1, 2);
    reply(dsplink::DSP_INPUT_CH_DISTORT, 5, -1, 1, 2);
    EXPECT_EQ(state.live.outDistort[5][0], 0);
    EXPECT_EQ(state.live.inDistort[5][1], 1);
    reply(dsplink::DSP_INPUT_CH_DISTORT, 5, 0, 7, 0);
    EXPECT_EQ(state.live.inDistort[5][7], 0);
}

}  // namespace
