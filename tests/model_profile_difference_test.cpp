// The difference send against the virtual amplifier. An amplifier holding one record that gets
// the difference to another must end exactly like one that was sent the other whole, and the
// difference writes only frames that carry a change.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <span>
#include <vector>

#include "link/dsp_link.h"
#include "link/subcommands.h"
#include "model/compressor_operations.h"
#include "model/ktv_operations.h"
#include "model/mixer_operations.h"
#include "model/profile_send.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "recording_transport.h"
#include "sim/sim_transport.h"

namespace {

using model_test::Frame;
using model_test::RecordingTransport;

struct Amplifier {
    Amplifier() {
        EXPECT_EQ(link.Open(), dsplink::OpenResult::Opened);
        link.SetAsyncMode(true);
    }
    sim::DeviceState Drained() {
        for (int i = 0; i < 20000 && !link.QueueIdle(); ++i) {
            clock.SleepMs(5);
        }
        EXPECT_TRUE(link.QueueIdle());
        return amp->Snapshot();
    }
    // The record whole, as the amplifier holds it once its edits went through the operations:
    // a disabled band plays flat, and the switches only the operations send are sent too.
    void Load(model::ProfileRecord r) {
        for (auto& row : r.bands) {
            for (model::EqBand& b : row) {
                b.eqGain = b.enable != 0 ? b.eqGain : 0.0f;
                b.enable = 1;
            }
        }
        ASSERT_TRUE(model::SendSceneProfile(link, r));
        // What only the mixer edits: the vice inputs, their levels and phases.
        for (int s = 0; s < model::INPUT_SOURCES; ++s) {
            const int own = model::SourceInputCount(s);
            const int touched = model::MixerTouchedInputs(s);
            for (int row = own; row < touched; ++row) {
                std::array<int, model::OUTPUT_CHANNELS> levels{};
                for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
                    levels[o] = model::ClampMixLevel(r.inputMixVolume[s][row][o]);
                }
                ASSERT_TRUE(link.Input_Mix_Trim_Ctrl(0, s, row, 0, 11, levels, true));
            }
            if (touched > own) {
                const auto phases = std::span(r.inMixPhase[s]).subspan(own, touched - own);
                ASSERT_TRUE(link.Input_Phase_Ctrl(0, s, own, touched - 1, phases, true));
            }
            for (int in = 0; in < model::INPUT_ROWS; ++in) {
                ASSERT_TRUE(link.Cross_Source_Mix_Ctrl(
                    0, s, in, model::ViceSourceWire(r.viceSource[s][in]), r.viceChannel[s][in],
                    model::ViceGainWire(r.viceGain[s][in]), true));
            }
        }
        ASSERT_TRUE(link.Source_Switch_Ctrl(model::SourceDeviceCode(r.currentSource), true));
        ASSERT_TRUE(link.Amp_Mute_Ctrl(r.ampOn != 0 ? 0 : 1, true));
        ASSERT_TRUE(link.Rem_Out_Ctrl(r.remOut1, r.remOut2, true));
        ASSERT_TRUE(link.Spk_Ohm_Ctrl(r.spkOhm, true));
        ASSERT_TRUE(link.Noise_Gate_Ctrl(r.noiseGate, true));
        ASSERT_TRUE(link.Set_Power_Off_Time(r.powerOffDelay, true));
        std::array<int, model::OUTPUT_CHANNELS> on{};
        for (int out = 0; out < model::OUTPUT_CHANNELS; ++out) {
            const model::CompressorSettings c = model::WireCompressor(model::CompressorOf(r, out));
            ASSERT_TRUE(link.Compressor_Ctrl(0, 0, out, c.bypass, c.threshold, c.ratio, c.knee,
                                             c.attack, c.release, true));
            on[out] = r.channels[out].compressorOn != 0 ? 1 : 0;
        }
        ASSERT_TRUE(link.Compressor_Ch_Ctrl(0, 0, 0, model::OUTPUT_CHANNELS - 1, on, true));
        for (int k = 0; k < model::KTV_VALUE_COUNT; ++k) {
            const auto which = static_cast<model::KtvValue>(k);
            const model::KtvRange range = model::KtvRangeOf(which);
            ASSERT_TRUE(model::SendKtvValue(
                link, which, std::clamp(model::KtvValueOf(r.ktv, which), range.min, range.max),
                true));
        }
    }
    // The frames the difference writes.
    std::vector<Frame> Difference(const model::ProfileRecord& from, const model::ProfileRecord& to,
                                  bool now = true) {
        Drained();
        frames.clear();
        EXPECT_TRUE(model::SendProfileDifference(link, from, to, now));
        Drained();
        return frames;
    }

    std::vector<Frame> frames;
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<RecordingTransport>(amp, clock, frames), clock};
};

// A few edits of every kind the amplifier sees, within the ranges the editors keep.
void Edit(std::mt19937& rng, model::ProfileRecord& r, int edits) {
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int e = 0; e < edits; ++e) {
        const int out = pick(0, model::OUTPUT_CHANNELS - 1);
        const int s = pick(0, model::INPUT_SOURCES - 1);
        const int row = pick(0, std::max(0, model::SourceInputCount(s) - 1));
        const int mixRow = pick(0, std::max(0, model::MixerTouchedInputs(s) - 1));
        const int viceRow = pick(0, model::INPUT_ROWS - 1);
        model::OutputChannel& ch = r.channels[out];
        model::EqBand& band = r.bands[out][pick(0, model::MAX_EQ_BANDS - 1)];
        const std::function<void()> kinds[] = {
            [&] { r.mainVolume = pick(-60, 6); },
            [&] { r.mainVolumeMute ^= 1; },
            [&] { r.currentSource = model::IsSourceShown(s) ? s : r.currentSource; },
            [&] { r.ampOn ^= 1; },
            [&] { (pick(0, 1) != 0 ? r.remOut1 : r.remOut2) ^= 1; },
            [&] { r.spkOhm ^= 1; },
            [&] { r.noiseGate ^= 1; },
            [&] {
                (pick(0, 1) != 0 ? ch.crossover.lp : ch.crossover.hp) =
                    model::CrossoverFilter(pick(20, 20000), pick(1, 3), pick(0, 8));
            },
            [&] {
                band = {pick(-180, 120) / 10.0f, pick(5, 90) / 10.0f, pick(20, 20000),
                        static_cast<uint8_t>(pick(0, 3) != 0)};
            },
            [&] { band.enable ^= 1; },
            [&] { r.outputs[out] = pick(0, 28); },
            [&] { ch.gain = pick(-600, 0) / 10.0f; },  // tenths the wire cuts off
            [&] { ch.mute ^= 1; },
            [&] { ch.phase ^= 1; },
            [&] { ch.solo ^= 1; },
            [&] { ch.delay = pick(0, 15000) / 1000.0f; },
            [&] { ch.bypass ^= 1; },
            [&] { r.inputs[s][out] = pick(0, 0xFFF); },
            [&] { r.inputMixVolume[s][row][out] = pick(0, 100); },
            [&] { r.inMixPhase[s][row] ^= 1; },
            [&] { r.inputMixVolume[s][mixRow][out] = pick(0, 100); },
            [&] { r.inMixPhase[s][mixRow] ^= 1; },
            [&] {
                r.viceSource[s][viceRow] = pick(0, 9);
                r.viceChannel[s][viceRow] = pick(0, 9);
            },
            [&] { r.viceGain[s][viceRow] = pick(-32, 6); },
            [&] {
                r.lockMode = pick(0, 1);
                r.linkMode = pick(0, 1);
                for (int p = 0; p < model::OUTPUT_CHANNELS; p += 2) {
                    const bool linked = pick(0, 1) != 0;
                    r.linkOutputs[p] = linked ? p + 1 : -1;
                    r.linkOutputs[p + 1] = linked ? p : -1;
                }
            },
            [&] { r.inputThreshold = pick(-90, 0); },
            [&] { r.acc = pick(0, 60); },
            [&] { r.powerOffDelay = pick(0, 1000); },
            [&] { r.bridgeOutputs[out / 2] ^= 1; },
            [&] {  // as the compressor windows keep them
                r.compressorBypass[out] ^= 1;
                r.compressorThreshold[out] = pick(-1000, 1270) / 10.0f;
                r.compressorRatio[out] = pick(10, 1000) / 10.0f;
                r.compressorKnee[out] = pick(0, 480) / 10.0f;
                r.compressorAttack[out] = pick(0, 5000);
                r.compressorRelease[out] = pick(1, 655) * 100;
            },
            [&] { ch.compressorOn ^= 1; },
            [&] {
                const auto which =
                    static_cast<model::KtvValue>(pick(0, model::KTV_VALUE_COUNT - 1));
                const model::KtvRange range = model::KtvRangeOf(which);
                const int value = pick(range.min, range.max);
                model::KtvSettings& k = r.ktv;
                int* fields[] = {&k.ktvMicVolume,  &k.ktvMusicVolume,  &k.ktvHowling,
                                 &k.ktvEchoLevel,  &k.ktvEchoDelay,    &k.ktvReverbLevel,
                                 &k.ktvReverbTime, &k.ktvVoiceChanger, &k.ktvBassGain,
                                 &k.ktvTrebleGain};
                *fields[static_cast<int>(which)] = value;
            },
            [&] {  // only the program keeps these
                r.linkSel[out] = pick(0, 3);
                r.delayLinkSel[out] = pick(0, 3);
                r.outputsBk[out] = pick(0, 28);
                r.showOutChEqualizer[out] ^= 1;
                r.currOutChannel = out;
                r.mainVersion = pick(0, 9);
            },
        };
        kinds[pick(0, static_cast<int>(std::size(kinds)) - 1)]();
    }
}

TEST(ProfileDifference, TakesTheAmplifierToTheTargetAsAWholeSendWould) {
    std::mt19937 rng(20240611);
    Amplifier stepped, whole;
    model::ProfileRecord from;
    stepped.Load(from);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        model::ProfileRecord to = from;
        Edit(rng, to, 1 + round % 5);
        // Queued and waited for alike.
        stepped.Difference(from, to, round % 2 == 0);
        whole.Load(to);
        ASSERT_TRUE(stepped.Drained() == whole.Drained());
        from = to;
    }
}

TEST(ProfileDifference, SendsOnlyWhatTheAmplifierCanSee) {
    Amplifier a;
    std::mt19937 rng(7);
    model::ProfileRecord from;
    Edit(rng, from, 40);
    for (int out : {3, 4, 7}) {
        from.channels[out].gain = 0.0f;
        from.channels[out].delay = 0.0f;
    }
    from.bands[1][3] = {-7.0f, 2.0f, 400, 0};
    from.bands[5][30] = {};
    a.Load(from);
    EXPECT_TRUE(a.Difference(from, from).empty());

    model::ProfileRecord to = from;
    to.channels[2].gain = std::trunc(to.channels[2].gain) - 0.4f;  // the same whole dB
    to.bands[1][3].eqGain = 5.0f;                                  // disabled: plays flat
    to.linkSel[4] = 3;
    EXPECT_TRUE(a.Difference(from, to).empty());

    to = from;
    to.bands[5][30] = {-2.5f, 1.4f, 12500, 1};
    EXPECT_EQ(a.Difference(from, to),
              (std::vector<Frame>{{dsplink::DSP_EQ_CH, 0, 0, 5, 30, 0x30, 0xD4, 1, 4, 15, 5}}));

    to = from;
    to.powerOffDelay = 1500;
    EXPECT_EQ(a.Difference(from, to),
              (std::vector<Frame>{{dsplink::MCU_POWER_OFF_TIME, 0x05, 0xDC}}));

    to = from;
    to.channels[7].gain = -12.0f;
    EXPECT_EQ(a.Difference(from, to), (std::vector<Frame>{{dsplink::DSP_TRIM_CH, 0, 0, 7, 7, 12}}));
    // Maximal runs of changed outputs, each in one frame.
    to.channels[3].gain = -1.0f;
    to.channels[4].gain = -2.0f;
    to.channels[3].delay = 1.5f;
    const auto runs = a.Difference(from, to);
    EXPECT_EQ(runs, (std::vector<Frame>{{dsplink::DSP_TRIM_CH, 0, 0, 3, 4, 1, 2},
                                        {dsplink::DSP_TRIM_CH, 0, 0, 7, 7, 12},
                                        {dsplink::DSP_DELAY_CH, 0, 0, 3, 3, 1, 0x01, 0xF4}}));
}

TEST(ProfileDifference, CompressorsAndKtvTravelAsTheirOperationsSendThem) {
    Amplifier a;
    model::ProfileRecord from;
    a.Load(from);
    model::ProfileRecord to = from;
    to.compressorAttack[4] = 37;
    to.channels[2].compressorOn = 0;
    to.channels[3].compressorOn = 0;
    to.ktv.ktvEchoDelay = 300;
    EXPECT_EQ(a.Difference(from, to),
              (std::vector<Frame>{{dsplink::DSP_COMPRESSOR_SETTING, 0, 0, 4, 1, 164, 0, 100, 0, 24,
                                   0, 0, 37, 0x75, 0x30},
                                  {dsplink::DSP_COMPRESSOR_ON_CH, 0, 0, 2, 3, 0, 0},
                                  {dsplink::KTV_ECHO_DELAY, 0x01, 0x2C}}));
    // A release between the tenths of a second the amplifier keeps is no difference.
    model::ProfileRecord near = to;
    near.compressorRelease[4] = 30020;
    EXPECT_TRUE(a.Difference(to, near).empty());
}

TEST(ProfileDifference, LocksBeforeLinkingAndUnlinksBeforeUnlocking) {
    Amplifier a;
    model::ProfileRecord open, linked;
    linked.lockMode = linked.linkMode = 1;
    linked.linkOutputs[0] = 1;
    linked.linkOutputs[1] = 0;
    using dsplink::DSP_CH_LINK, dsplink::DSP_CH_LOCK;
    EXPECT_EQ(a.Difference(open, linked),
              (std::vector<Frame>{{DSP_CH_LOCK, 0, 1}, {DSP_CH_LINK, 0, 1, 1, 0, 1}}));
    EXPECT_EQ(a.Difference(linked, open),
              (std::vector<Frame>{{DSP_CH_LINK, 0, 0, 0}, {DSP_CH_LOCK, 0, 0}}));
    // New pairs under the same lock: the link alone.
    model::ProfileRecord relinked = linked;
    relinked.linkOutputs[4] = 5;
    EXPECT_EQ(a.Difference(linked, relinked),
              (std::vector<Frame>{{DSP_CH_LINK, 0, 1, 2, 0, 1, 4, 5}}));
}

TEST(ProfileDifference, StopsAtACommandTheLinkRefuses) {
    Amplifier a;
    model::ProfileRecord from, to;
    to.channels[0].delay = NAN;
    to.acc = 9;
    a.frames.clear();
    EXPECT_FALSE(model::SendProfileDifference(a.link, from, to, true));
    EXPECT_TRUE(a.frames.empty());
    EXPECT_EQ(a.Drained().acc, 0);
}

}  // namespace
