// The reply handlers of the sound model: a whole live-state read from the virtual amplifier
// lands in the model, and replies naming anything out of range change nothing.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "link/dsp_link.h"
#include "link/reply_records.h"
#include "link/state_read.h"
#include "model/links.h"
#include "model/reply_handlers.h"
#include "model/scene_operations.h"
#include "model_test_support.h"
#include "shell/run_log.h"
#include "sim/sim_transport.h"

using model::ModelState;
using model::ModelSync;

namespace {

// Counts the notifications, to tell live replies from stored-scene ones.
struct CountingListener : model::ModelChangeListener {
    int gains = 0, eqBands = 0, bridges = 0, links = 0, locks = 0, statuses = 0;
    bool lastLinkDropped = false;
    void OnChannelGainChanged(int) override { ++gains; }
    void OnEqBandChanged(int, int) override { ++eqBands; }
    void OnBridgeChanged() override { ++bridges; }
    void OnLinkChanged() override { ++links; }
    void OnLockChanged(bool dropped) override {
        ++locks;
        lastLinkDropped = dropped;
    }
    void OnDspStatus(int) override { ++statuses; }
};

// Every message straight into the handlers, on the reading thread.
struct FeedTarget : dsplink::ReplyTarget {
    explicit FeedTarget(ModelSync& s) : sync(s) {}
    void Post(dsplink::LinkMessage message) override {
        if (sync.Dispatch(std::move(message))) {
            ++handled;
        }
    }
    ModelSync& sync;
    int handled = 0;
};

int8_t Signed(uint8_t b) {
    return static_cast<int8_t>(b);
}

// Puts distinctive values everywhere the live read looks. The amplifier keeps Q in tenths.
void PokeAmplifier(sim::DeviceState& d) {
    d.source = 0x53;
    d.mainVolume = 18;  // written as 6 - (-12)
    d.mute = 1;
    d.ampMute = 1;
    d.remOut1 = 0;
    d.remOut2 = 1;
    d.spkOhm = 0;
    d.noiseGate = 1;
    d.acc = 5;
    d.inputThreshold = static_cast<uint8_t>(-40);
    d.validMask = 0x0005;
    d.names[0] = {'C', 'l', 'u', 'b'};
    d.names[2] = {'N', 'i', 'g', 'h', 't'};
    sim::SceneState& s = d.scenes[0];
    for (int o = 0; o < sim::kOutputs; ++o) {
        sim::OutputState& out = s.outputs[static_cast<size_t>(o)];
        out.trim = static_cast<uint8_t>(o + 3);  // attenuation of a -(o + 3) dB gain
        out.mute = static_cast<uint8_t>(o % 2);
        out.phase = static_cast<uint8_t>(o % 3 == 0);
        out.solo = static_cast<uint8_t>(o == 5);
        out.type = static_cast<uint8_t>(o + 1);
        out.eqBypass = static_cast<uint8_t>((o + 1) % 2);
        out.delay = {static_cast<uint8_t>(o), 0, 250};
        out.hp = {2, static_cast<uint16_t>(100 + o * 10), 3};
        out.lp = {3, static_cast<uint16_t>(5000 + o), 4};
        for (int b = 0; b < sim::kBands; ++b) {
            sim::EqBand& band = out.bands[static_cast<size_t>(b)];
            band.freq = static_cast<uint16_t>(100 + o * 40 + b);
            band.q = {2, static_cast<uint8_t>(b % 10)};
            band.gain = b == o ? std::array<uint8_t, 2>{14, 5} : std::array<uint8_t, 2>{18, 0};
        }
    }
    for (int src = 0; src < sim::kSources; ++src) {
        sim::SourceState& ss = s.sources[static_cast<size_t>(src)];
        for (int o = 0; o < sim::kOutputs; ++o) {
            ss.mixMask[static_cast<size_t>(o)] = static_cast<uint16_t>((src * 7 + o) % 5);
            ss.mixTrim[0][static_cast<size_t>(o)] = static_cast<uint8_t>(50 + o);
            ss.mixTrim[1][static_cast<size_t>(o)] = 0;
        }
        ss.cross[0] = {0x52, 1, 40};
        ss.cross[1] = {0x51, 0, 32};
    }
    s.link = 1;
    s.lock = 1;
    s.bridge = {1, 0, 1, 0, 0, 0};
}

class ModelReplyHandlersEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        amp->Modify(PokeAmplifier);
        link.SetTarget(dsplink::ReplyTargetId::Main, &feed);
        ASSERT_EQ(link.Open(), dsplink::OpenResult::Opened);
    }
    void TearDown() override { link.SetTarget(dsplink::ReplyTargetId::Main, nullptr); }

    ModelState state;
    CountingListener listener;
    ModelSync sync{state, &listener};
    FeedTarget feed{sync};
    std::shared_ptr<sim::VirtualAmplifier> amp = std::make_shared<sim::VirtualAmplifier>();
    dsplink::ManualClock clock;
    dsplink::DspLink link{std::make_unique<sim::SimTransport>(amp, clock), clock};
};

TEST_F(ModelReplyHandlersEndToEnd, LiveReadMatchesTheAmplifier) {
    amp->SetIdentity(78, 16, 25);
    ASSERT_TRUE(link.PC_Connect(1));
    ASSERT_TRUE(link.Hand_Connect());
    ASSERT_EQ(dsplink::ReadLiveState(link), 0);
    EXPECT_GT(feed.handled, 12 * 31);

    const sim::DeviceState d = amp->Snapshot();
    const sim::SceneState& s = d.scenes[0];
    const model::ProfileRecord& m = state.live;

    EXPECT_EQ(m.model, 78);
    EXPECT_EQ(m.mainVersion, 16);
    EXPECT_EQ(m.slaveVersion, 25);
    EXPECT_EQ(m.currentSource, 2);
    EXPECT_EQ(m.mainVolume, -12);
    EXPECT_EQ(m.mainVolumeMute, 1);
    EXPECT_EQ(m.ampOn, 0);
    EXPECT_EQ(m.remOut1, 0);
    EXPECT_EQ(m.remOut2, 1);
    EXPECT_EQ(m.spkOhm, 0);
    EXPECT_EQ(m.noiseGate, 1);
    EXPECT_EQ(m.acc, 5);
    EXPECT_EQ(m.inputThreshold, -40);
    EXPECT_EQ(state.validSceneMask, 0x0005);
    EXPECT_EQ(model::SceneName(state.scenes, 0), "Club");
    EXPECT_EQ(model::SceneName(state.scenes, 1), "");
    EXPECT_EQ(model::SceneName(state.scenes, 2), "Night");

    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        SCOPED_TRACE("output " + std::to_string(o));
        const size_t i = static_cast<size_t>(o);
        const sim::OutputState& out = s.outputs[i];
        const model::OutputChannel& ch = m.channels[i];
        EXPECT_FLOAT_EQ(ch.gain, -Signed(out.trim));
        EXPECT_EQ(ch.mute, out.mute);
        EXPECT_EQ(ch.phase, out.phase);
        EXPECT_EQ(ch.solo, out.solo);
        EXPECT_EQ(ch.bypass, out.eqBypass);
        EXPECT_EQ(m.outputs[i], out.type);
        EXPECT_EQ(m.outputsBk[i], out.type);
        EXPECT_NEAR(ch.delay, out.delay[0] + ((out.delay[1] << 8) | out.delay[2]) / 1000.0, 1e-4);
        EXPECT_EQ(ch.crossover.hp, model::CrossoverFilter(out.hp.freq, out.hp.type, out.hp.slope));
        EXPECT_EQ(ch.crossover.lp, model::CrossoverFilter(out.lp.freq, out.lp.type, out.lp.slope));
        for (int b = 0; b < model::MAX_EQ_BANDS; ++b) {
            const sim::EqBand& want = out.bands[static_cast<size_t>(b)];
            const model::EqBand& got = m.bands[i][static_cast<size_t>(b)];
            EXPECT_EQ(got.freq, want.freq) << "band " << b;
            EXPECT_NEAR(got.eqFactor, want.q[0] + want.q[1] / 10.0, 1e-4) << "band " << b;
            EXPECT_NEAR(got.eqGain, want.gain[0] + want.gain[1] / 10.0 - 18.0, 1e-4);
            EXPECT_EQ(got.enable, 1);
        }
        EXPECT_EQ(m.bridgeOutputs[i / 2], s.bridge[i / 2]);
    }
    for (int src = 0; src < model::INPUT_SOURCES; ++src) {
        SCOPED_TRACE("source " + std::to_string(src));
        const size_t si = static_cast<size_t>(src);
        const sim::SourceState& ss = s.sources[si];
        for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
            const size_t i = static_cast<size_t>(o);
            const int mask = ss.mixMask[i];
            EXPECT_EQ(m.inputs[si][i], mask);
            EXPECT_EQ(m.inputMixVolume[si][0][i], ss.mixTrim[0][i]);
            // A silent routed input reads as full level.
            EXPECT_EQ(m.inputMixVolume[si][1][i], (mask & 2) != 0 ? 100 : 0);
        }
        // The read's cross-source reply carries no gain byte.
        EXPECT_EQ(m.viceSource[si][0], 1);
        EXPECT_EQ(m.viceChannel[si][0], 1);
        EXPECT_EQ(m.viceGain[si][0], -32);
        EXPECT_EQ(m.viceSource[si][1], 0);
    }
    model::ProfileRecord linked = m;
    model::FillLinkOutputs(linked);
    EXPECT_EQ(m.linkMode, 1);
    EXPECT_EQ(m.lockMode, 1);
    EXPECT_EQ(m.linkOutputs, linked.linkOutputs);
    EXPECT_EQ(listener.gains, 12);
    EXPECT_EQ(listener.eqBands, 12 * 31);
    EXPECT_EQ(listener.bridges, 1);
}

TEST_F(ModelReplyHandlersEndToEnd, StoredSceneReadsFillTheSceneTableOnly) {
    amp->Modify([](sim::DeviceState& d) {
        sim::SceneState& s = d.scenes[3];
        for (int o = 0; o < sim::kOutputs; ++o) {
            sim::OutputState& out = s.outputs[static_cast<size_t>(o)];
            out.trim = static_cast<uint8_t>(20 + o);
            out.type = static_cast<uint8_t>(12 - o);
            out.hp = {1, static_cast<uint16_t>(300 + o), 2};
        }
        s.outputs[2].bands[4] = {4321, {3, 0}, {20, 0}};
        s.sources[1].mixMask[7] = 0x3;
    });
    const int gainsBefore = listener.gains;
    ASSERT_TRUE(link.Get_Trim(3, 0, 0, 11));
    ASSERT_TRUE(link.Get_CH_Type(3, 0, 0, 11));
    ASSERT_TRUE(link.Get_Filter(3, 0, 0, 3));
    ASSERT_TRUE(link.Get_EQ(3, 0, 2, 0, 6));
    ASSERT_TRUE(link.Get_Mix_Ch(3, 1, 0, 11));

    const model::ProfileRecord& scene = state.scenes.records[2];
    const model::ProfileRecord fresh;
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        const size_t i = static_cast<size_t>(o);
        EXPECT_FLOAT_EQ(scene.channels[i].gain, static_cast<float>(-(20 + o)));
        EXPECT_EQ(scene.outputs[i], 12 - o);
        EXPECT_FLOAT_EQ(state.live.channels[i].gain, 0.0f);
        EXPECT_EQ(state.live.outputs[i], fresh.outputs[i]);
    }
    EXPECT_EQ(scene.channels[3].crossover.hp, model::CrossoverFilter(303, 1, 2));
    EXPECT_EQ(scene.bands[2][4].freq, 4321);
    EXPECT_FLOAT_EQ(scene.bands[2][4].eqGain, 2.0f);
    EXPECT_FLOAT_EQ(scene.bands[2][4].eqFactor, 3.0f);
    EXPECT_EQ(scene.inputs[1][7], 0x3);
    EXPECT_EQ(state.live.inputs[1][7], fresh.inputs[1][7]);
    EXPECT_EQ(listener.gains, gainsBefore);
    EXPECT_EQ(listener.eqBands, 0);
}

// A zero-filled state, so two states compare byte for byte, padding included.
struct RawState {
    RawState() {
        std::memset(static_cast<void*>(storage), 0, sizeof storage);
        state = new (storage) ModelState();
    }
    ~RawState() { state->~ModelState(); }
    RawState(const RawState&) = delete;
    RawState& operator=(const RawState&) = delete;
    bool operator==(const RawState& other) const {
        return std::memcmp(storage, other.storage, sizeof storage) == 0;
    }
    alignas(ModelState) unsigned char storage[sizeof(ModelState)];
    ModelState* state;
};

template <typename T>
std::unique_ptr<dsplink::ReplyRecord> Make(const std::function<void(T&)>& fill) {
    auto r = std::make_unique<T>();
    fill(*r);
    return r;
}

struct ReplyCase {
    const char* name;
    uint32_t message;
    uint32_t kind;
    int32_t value;
    std::function<std::unique_ptr<dsplink::ReplyRecord>()> record;
};

std::vector<ReplyCase> OutOfRangeCases() {
    using namespace dsplink;
    auto eq = [](int scene, int ch, int band) {
        return [=] {
            return Make<EqRecord>([=](EqRecord& r) {
                r.scene = scene, r.channel = ch, r.band = band, r.freq = 999, r.gain = 3;
            });
        };
    };
    auto chValue = [](int scene, int ch) {
        return [=] {
            return Make<ChannelValueRecord>(
                [=](ChannelValueRecord& r) { r.scene = scene, r.channel = ch, r.value = 7; });
        };
    };
    auto mixTrim = [](int src, int input, int first, int last) {
        return [=] {
            return Make<InputMixTrimRecord>([=](InputMixTrimRecord& r) {
                r.source = src, r.input = input, r.firstOutput = first, r.lastOutput = last;
                r.trims.fill(77);
            });
        };
    };
    auto cross = [](uint8_t scene, uint8_t src, uint8_t input) {
        return [=] {
            return Make<CrossSourceMixRecord>(
                [=](CrossSourceMixRecord& r) { r.bytes = {scene, src, input, 0x53, 1, 40}; });
        };
    };
    auto none = [] { return std::unique_ptr<ReplyRecord>(); };
    return {
        {"eq channel 12", WM_READ_DSP_VALUE, 6, 0, eq(0, 12, 0)},
        {"eq band 31", WM_READ_DSP_VALUE, 6, 0, eq(0, 0, 31)},
        {"eq band -1", WM_READ_DSP_VALUE, 6, 0, eq(0, 0, -1)},
        {"eq scene 11", WM_READ_DSP_VALUE, 6, 0, eq(11, 0, 0)},
        {"eq scene -1", WM_READ_DSP_VALUE, 6, 0, eq(-1, 0, 0)},
        {"filter channel 12", WM_READ_DSP_VALUE, 5, 0,
         [] {
             return Make<FilterRecord>([](FilterRecord& r) {
                 r.channel = 12, r.hpFreq = 500, r.hpSlope = 2, r.hpType = 2;
             });
         }},
        {"delay channel 12", WM_READ_DSP_VALUE, 7, 0,
         [] { return Make<DelayRecord>([](DelayRecord& r) { r.channel = 12, r.delay = 3; }); }},
        {"trim channel 12", WM_READ_DSP_VALUE, 8, 0,
         [] { return Make<TrimRecord>([](TrimRecord& r) { r.channel = 12, r.trim = -5; }); }},
        {"trim scene 11", WM_READ_DSP_VALUE, 8, 0,
         [] { return Make<TrimRecord>([](TrimRecord& r) { r.scene = 11, r.trim = -5; }); }},
        {"mute channel 12", WM_READ_DSP_VALUE, 9, 0, chValue(0, 12)},
        {"type channel 12", WM_READ_DSP_VALUE, 13, 0, chValue(0, 12)},
        {"bypass channel 12", WM_READ_DSP_VALUE, 18, 0, chValue(0, 12)},
        {"solo channel 12", WM_READ_DSP_VALUE, 52, 0, chValue(0, 12)},
        {"compressor on channel 12", WM_READ_DSP_VALUE, 73, 0, chValue(0, 12)},
        {"mute scene 11", WM_READ_DSP_VALUE, 9, 0, chValue(11, 0)},
        {"phase channel 12", WM_READ_DSP_VALUE, 10, 0,
         [] { return Make<PhaseRecord>([](PhaseRecord& r) { r.channel = 12, r.phase = 1; }); }},
        {"mix source 9", WM_READ_DSP_VALUE, 11, 0,
         [] { return Make<MixRecord>([](MixRecord& r) { r.source = 9, r.mask = 0x3FF; }); }},
        {"mix channel 12", WM_READ_DSP_VALUE, 11, 0,
         [] { return Make<MixRecord>([](MixRecord& r) { r.channel = 12, r.mask = 0x3FF; }); }},
        {"mix trim source 9", WM_READ_DSP_VALUE, 36, 0, mixTrim(9, 0, 0, 11)},
        {"mix trim input 10", WM_READ_DSP_VALUE, 36, 0, mixTrim(0, 10, 0, 11)},
        {"mix trim output 12", WM_READ_DSP_VALUE, 36, 0, mixTrim(0, 0, 0, 12)},
        {"mix trim reversed", WM_READ_DSP_VALUE, 36, 0, mixTrim(0, 0, 5, 4)},
        {"cross source 9", WM_READ_DSP_VALUE, 71, 0, cross(0, 9, 0)},
        {"cross input 10", WM_READ_DSP_VALUE, 71, 0, cross(0, 0, 10)},
        {"cross scene 11", WM_READ_DSP_VALUE, 77, 0, cross(11, 0, 0)},
        {"compressor channel 12", WM_READ_DSP_VALUE, 62, 0,
         [] {
             return Make<CompressorRecord>(
                 [](CompressorRecord& r) { r.channel = 12, r.ratio = 4; });
         }},
        {"compressor2 channel 12", WM_READ_DSP_VALUE, 74, 0,
         [] {
             return Make<Compressor2Record>(
                 [](Compressor2Record& r) { r.channel = 12, r.threshold = -3; });
         }},
        {"bridge scene 11", WM_READ_DSP_VALUE, 76, 0,
         [] {
             return Make<BridgeRecord>([](BridgeRecord& r) {
                 r.scene = 11, r.count = 6;
                 r.flags.fill(1);
             });
         }},
        {"link scene 11", WM_READ_DSP_VALUE, 14, 0,
         [] { return Make<LinkRecord>([](LinkRecord& r) { r.scene = 11, r.link = 1; }); }},
        {"lock scene 11", WM_READ_DSP_VALUE, 15, 0,
         [] { return Make<LockRecord>([](LockRecord& r) { r.scene = 11, r.lock = 1; }); }},
        {"noise inputs past 16", WM_READ_DSP_VALUE, 39, 0,
         [] {
             return Make<InputNoiseRecord>([](InputNoiseRecord& r) { r.first = 0, r.last = 40; });
         }},
        {"eq without record", WM_READ_DSP_VALUE, 6, 0, none},
        {"eq with a wrong record", WM_READ_DSP_VALUE, 6, 0, chValue(0, 0)},
        {"ignored kind 32", WM_READ_DSP_VALUE, 32, 5, none},
        {"subwoofer volume is not kept", WM_READ_DSP_VALUE, 3, 5, none},
        {"scene name index 10", WM_READ_FLASH_VALUE, 0x0B, 0,
         [] {
             return Make<SceneNameRecord>([](SceneNameRecord& r) {
                 r.index = 10;
                 r.name = {'X'};
             });
         }},
        {"scene name index -1", WM_READ_FLASH_VALUE, 0x0B, 0,
         [] {
             return Make<SceneNameRecord>([](SceneNameRecord& r) {
                 r.index = -1;
                 r.name = {'X'};
             });
         }},
        {"unknown flash kind", WM_READ_FLASH_VALUE, 0x0E, 3, none},
        {"ktv kind 11", WM_READ_KTV_VALUE, 11, 9, none},
        {"ktv kind 0", WM_READ_KTV_VALUE, 0, 9, none},
        {"mcu handshake without record", WM_READ_MCU_VALUE, 0x08, 0, none},
        {"mcu ping", WM_READ_MCU_VALUE, 0x93, 0, none},
    };
}

TEST(ModelReplyHandlers, OutOfRangeRepliesChangeNothing) {
    for (const ReplyCase& c : OutOfRangeCases()) {
        SCOPED_TRACE(c.name);
        RawState before;
        RawState after;
        CountingListener listener;
        ModelSync sync(*after.state, &listener);
        EXPECT_TRUE(sync.Dispatch({c.message, c.kind, c.value, c.record()}));
        EXPECT_TRUE(before == after);
        EXPECT_EQ(
            listener.gains + listener.eqBands + listener.bridges + listener.links + listener.locks,
            0);
    }
}

TEST(ModelReplyHandlers, InRangeRepliesDoChangeTheState) {
    // The byte comparison above must see a change when there is one.
    RawState before;
    RawState after;
    ModelSync sync(*after.state);
    auto r = std::make_unique<dsplink::EqRecord>();
    r->channel = 11;
    r->band = 30;
    r->freq = 12345;
    sync.ReadDspValueCallback(6, 0, std::move(r));
    EXPECT_FALSE(before == after);
    EXPECT_EQ(after.state->live.bands[11][30].freq, 12345);
}

TEST(ModelReplyHandlers, StoredScenesGetTheirOwnRecordAndNoNotification) {
    ModelState state;
    CountingListener listener;
    ModelSync sync(state, &listener);
    auto trim = std::make_unique<dsplink::TrimRecord>();
    trim->scene = 10;
    trim->channel = 4;
    trim->trim = -7;
    sync.ReadDspValueCallback(8, 0, std::move(trim));
    EXPECT_FLOAT_EQ(state.scenes.records[9].channels[4].gain, -7.0f);
    EXPECT_FLOAT_EQ(state.live.channels[4].gain, 0.0f);
    EXPECT_EQ(listener.gains, 0);

    // A stored scene's band keeps its enable flag; the live one is switched on.
    state.scenes.records[0].bands[0][0].enable = 0;
    state.live.bands[0][0].enable = 0;
    for (int scene : {0, 1}) {
        auto eq = std::make_unique<dsplink::EqRecord>();
        eq->scene = scene;
        eq->freq = 250;
        sync.ReadDspValueCallback(6, 0, std::move(eq));
    }
    EXPECT_EQ(state.scenes.records[0].bands[0][0].enable, 0);
    EXPECT_EQ(state.scenes.records[0].bands[0][0].freq, 250);
    EXPECT_EQ(state.live.bands[0][0].enable, 1);
    EXPECT_EQ(listener.eqBands, 1);
}

TEST(ModelReplyHandlers, TrimIsClampedToTheVolumeSlider) {
    ModelState state;
    ModelSync sync(state);
    for (auto [trim, want] : {std::pair{-70.0f, -60.0f}, {12.0f, 0.0f}, {-12.34f, -12.3f}}) {
        auto r = std::make_unique<dsplink::TrimRecord>();
        r->channel = 2;
        r->trim = trim;
        sync.ReadDspValueCallback(8, 0, std::move(r));
        EXPECT_FLOAT_EQ(state.live.channels[2].gain, want) << trim;
    }
}

TEST(ModelReplyHandlers, SourceCodesOutsideTheTableSelectSourceFour) {
    ModelState state;
    ModelSync sync(state);
    for (auto [code, want] :
         {std::pair{0x51, 0}, {0x54, 3}, {0x55, 4}, {0x59, 8}, {0x50, 4}, {0x5A, 4}, {0, 4}}) {
        state.live.currentSource = -1;
        sync.ReadDspValueCallback(1, code, nullptr);
        EXPECT_EQ(state.live.currentSource, want) << code;
    }
}

TEST(ModelReplyHandlers, MixTrimOfZeroShowsFullOnlyOnRoutedInputs) {
    ModelState state;
    ModelSync sync(state);
    state.live.inputs[0][3] = 0b01;
    state.live.inputs[0][4] = 0b10;
    auto r = std::make_unique<dsplink::InputMixTrimRecord>();
    r->input = 0;
    r->firstOutput = 3;
    r->lastOutput = 4;
    sync.ReadDspValueCallback(36, 0, std::move(r));
    EXPECT_EQ(state.live.inputMixVolume[0][0][3], 100);
    EXPECT_EQ(state.live.inputMixVolume[0][0][4], 0);
}

TEST(ModelReplyHandlers, CrossSourceCodeIsStoredAsASourceIndexForEveryScene) {
    ModelState state;
    ModelSync sync(state);
    for (uint8_t scene : {0, 3}) {
        auto r = std::make_unique<dsplink::CrossSourceMixRecord>();
        r->bytes = {scene, 2, 1, 0x51, 1, 40};
        sync.ReadDspValueCallback(71, 0, std::move(r));
        model::ProfileRecord* target = sync.RecordForScene(scene);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(target->viceSource[2][1], 0);
        EXPECT_EQ(target->viceChannel[2][1], 1);
        EXPECT_EQ(target->viceGain[2][1], 8);
    }
}

TEST(ModelReplyHandlers, UnlockingEndsLinkMode) {
    ModelState state;
    CountingListener listener;
    ModelSync sync(state, &listener);
    auto link = std::make_unique<dsplink::LinkRecord>();
    link->link = 1;
    sync.ReadDspValueCallback(14, 0, std::move(link));
    EXPECT_EQ(state.live.linkMode, 1);
    EXPECT_EQ(state.live.lockMode, 1);

    sync.ReadDspValueCallback(15, 0, std::make_unique<dsplink::LockRecord>());
    EXPECT_EQ(state.live.lockMode, 0);
    EXPECT_EQ(state.live.linkMode, 0);
    EXPECT_TRUE(listener.lastLinkDropped);
    for (int partner : state.live.linkOutputs) {
        EXPECT_EQ(partner, -1);
    }
}

TEST(ModelReplyHandlers, KtvKindsFillTheirFields) {
    ModelState state;
    ModelSync sync(state);
    for (uint32_t kind = 1; kind <= 10; ++kind) {
        sync.ReadKtvValueCallback(kind, static_cast<int32_t>(kind * 3), nullptr);
    }
    const model::KtvSettings& k = state.live.ktv;
    EXPECT_EQ(k.ktvMicVolume, 3);
    EXPECT_EQ(k.ktvMusicVolume, 6);
    EXPECT_EQ(k.ktvHowling, 9);
    EXPECT_EQ(k.ktvEchoLevel, 12);
    EXPECT_EQ(k.ktvEchoDelay, 15);
    EXPECT_EQ(k.ktvReverbLevel, 18);
    EXPECT_EQ(k.ktvReverbTime, 21);
    EXPECT_EQ(k.ktvVoiceChanger, 24);
    EXPECT_EQ(k.ktvBassGain, 27);
    EXPECT_EQ(k.ktvTrebleGain, 30);
}

TEST(ModelReplyHandlers, SceneNamesKeepTheWholeFieldAndShowSevenCharacters) {
    ModelState state;
    ModelSync sync(state);
    auto r = std::make_unique<dsplink::SceneNameRecord>();
    r->index = 9;
    r->name = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'};
    sync.ReadSenceValueCallback(0x0B, 0, std::move(r));
    EXPECT_EQ(model::SceneName(state.scenes, 9), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(model::SceneNameText(model::SceneName(state.scenes, 9)), "ABCDEFG");

    // Seven characters, not seven bytes: a multi-byte name is never cut inside a character.
    const std::string chinese = "\xE5\xA4\x9C\xE6\x99\x9A\xE6\xA8\xA1\xE5\xBC\x8F";  // 4 chars
    auto wide = std::make_unique<dsplink::SceneNameRecord>();
    wide->index = 2;
    wide->name.fill(0);
    std::copy(chinese.begin(), chinese.end(), wide->name.begin());
    sync.ReadSenceValueCallback(0x0B, 0, std::move(wide));
    EXPECT_EQ(model::SceneName(state.scenes, 2), chinese);
}

TEST(ModelReplyHandlers, DspStatusOnlyNotifies) {
    ModelState state;
    CountingListener listener;
    ModelSync sync(state, &listener);
    sync.ReadDspValueCallback(70, 0, nullptr);
    EXPECT_EQ(listener.statuses, 1);
}

TEST(ModelReplyHandlers, EachHandlerLogsItsNameAndKindFirst) {
    model_test::CapturedLog captured("model_reply_handlers_test");
    ASSERT_TRUE(captured.IsOpen());
    ModelState state;
    ModelSync sync(state);
    sync.ReadDspValueCallback(0x4E, 1, nullptr);
    sync.ReadMcuValueCallback(0x92, 3, nullptr);
    sync.ReadKtvValueCallback(0x05, 4, nullptr);
    auto mask = std::make_unique<dsplink::SceneMaskRecord>();
    mask->mask = 0x21;
    sync.ReadSenceValueCallback(0x0F, 0, std::move(mask));
    const std::string log = captured.Text();
    const size_t dsp = log.find("ReadDspValueCallback 0x4e\n");
    EXPECT_NE(dsp, std::string::npos);
    EXPECT_LT(dsp, log.find("DSP_NOISE_GATE noise_gate = 1\n"));
    EXPECT_NE(log.find("ReadMcuValueCallback 0x92\n"), std::string::npos);
    EXPECT_NE(log.find("ReadKtvValueCallback 0x05\n"), std::string::npos);
    const size_t flash = log.find("ReadSenceValueCallback 0x0f\n");
    EXPECT_NE(flash, std::string::npos);
    EXPECT_LT(flash, log.find("FLASH_SCENE_VALID 0x21\n"));
    EXPECT_EQ(state.live.noiseGate, 1);
    EXPECT_EQ(state.live.acc, 3);
    EXPECT_EQ(state.live.ktv.ktvEchoDelay, 4);
    EXPECT_EQ(state.validSceneMask, 0x21);
}

}  // namespace
