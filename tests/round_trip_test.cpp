// The real link against the virtual amplifier: what is written comes back decoded as written.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "link/dsp_link.h"
#include "link/reply_records.h"
#include "link/state_read.h"
#include "link/subcommands.h"
#include "sim/calibration_room.h"
#include "sim/sim_transport.h"

using namespace dsplink;
using sim::ReplyFault;
using sim::SimTransport;
using sim::VirtualAmplifier;

namespace {

struct Recorder : ReplyTarget {
    std::mutex lock;
    std::vector<LinkMessage> messages;
    void Post(LinkMessage message) override {
        std::lock_guard<std::mutex> guard(lock);
        messages.push_back(std::move(message));
    }
};

class RoundTripTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 0; i < kReplyTargetCount; ++i) {
            link.SetTarget(static_cast<ReplyTargetId>(i), &targets[static_cast<size_t>(i)]);
        }
        ASSERT_EQ(link.Open(), OpenResult::Opened);
    }

    Recorder& Target(ReplyTargetId id) { return targets[static_cast<size_t>(id)]; }

    // Takes every message posted to `id` so far; the records of type T with `wParam`, in order.
    template <typename T>
    std::vector<T> Take(ReplyTargetId id, uint32_t wParam) {
        std::vector<T> found;
        for (const LinkMessage& m : TakeAll(id)) {
            const T* record = dynamic_cast<const T*>(m.record.get());
            if (m.wParam == wParam && record != nullptr) {
                found.push_back(*record);
            }
        }
        return found;
    }
    std::vector<LinkMessage> TakeAll(ReplyTargetId id = ReplyTargetId::Main) {
        Recorder& r = Target(id);
        std::lock_guard<std::mutex> guard(r.lock);
        return std::exchange(r.messages, {});
    }
    // The scalar of the one message posted to `id`.
    int32_t Value(uint32_t message, uint32_t wParam, ReplyTargetId id = ReplyTargetId::Main) {
        const std::vector<LinkMessage> all = TakeAll(id);
        EXPECT_EQ(all.size(), 1u);
        if (all.size() != 1) {
            return std::numeric_limits<int32_t>::min();
        }
        EXPECT_EQ(all[0].message, message);
        EXPECT_EQ(all[0].wParam, wParam);
        return all[0].value;
    }
    // Reads a value that has no Get_ operation the way the link reads any reply.
    void RawRead(uint8_t type, uint8_t subcmd, std::vector<uint8_t> payload) {
        ASSERT_TRUE(link.SendCtrlCommand(type, subcmd, OP_READ, payload));
        ASSERT_TRUE(link.ReadHIDData(kReplyTimeoutMs));
    }

    // The records one request posted, after checking that it got its answer.
    template <typename T>
    std::vector<T> Got(bool answered, uint32_t wParam, ReplyTargetId id = ReplyTargetId::Main) {
        EXPECT_TRUE(answered);
        return Take<T>(id, wParam);
    }
    template <typename T>
    T One(bool answered, uint32_t wParam, ReplyTargetId id = ReplyTargetId::Main) {
        const std::vector<T> all = Got<T>(answered, wParam, id);
        EXPECT_EQ(all.size(), 1u);
        return all.empty() ? T{} : all[0];
    }

    std::shared_ptr<VirtualAmplifier> amp = std::make_shared<VirtualAmplifier>();
    ManualClock clock;
    std::array<Recorder, kReplyTargetCount> targets;  // outlive the link that posts to them
    DspLink link{std::make_unique<SimTransport>(amp, clock), clock};
};

std::string Name(const std::array<uint8_t, 16>& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()));
}

}  // namespace

TEST_F(RoundTripTest, HandshakeNormalAndAbnormal) {
    ASSERT_TRUE(link.PC_Connect(1));
    EXPECT_EQ(amp->Snapshot().pcAttached, 1);
    const auto info = One<McuHandshakeInfo>(link.Hand_Connect(), MCU_HANDSHAKE);
    EXPECT_EQ(std::tuple(info.model, info.masterVersion, info.slaveVersion),
              std::tuple(78, 16, 24));
    EXPECT_TRUE(link.State().mcu_is_normal_mode);
    EXPECT_EQ(link.State().deviceModel, 78);

    amp->SetIdentity(80, 3, 1);
    amp->SetNormalMode(false);
    ASSERT_TRUE(link.Hand_Connect());
    EXPECT_EQ(Value(WM_DEVICE_ABNORMAL, 0), 0);
    EXPECT_FALSE(link.State().mcu_is_normal_mode);
    EXPECT_EQ(link.State().deviceModel, 78);
}

TEST_F(RoundTripTest, OutputChannelSettings) {
    ASSERT_TRUE(link.EQ_Ctrl(0, 0, 3, 2, 1000, 2.5f, -3.5f, true));
    EqRecord eq = One<EqRecord>(link.Get_EQ(0, 0, 3, 2, 2), DSP_EQ_CH);
    EXPECT_EQ(std::tuple(eq.channel, eq.band, eq.freq, eq.q, eq.gain),
              std::tuple(3, 2, 1000, 2.5f, -3.5f));
    ASSERT_TRUE(link.PEQ_Reset_Ctrl(0, 0, std::vector<int>{3}, true));
    eq = One<EqRecord>(link.Get_EQ(0, 0, 3, 2, 2), DSP_EQ_CH);
    EXPECT_EQ(std::tuple(eq.freq, eq.q, eq.gain), std::tuple(31, 5.8f, 0.0f));

    ASSERT_TRUE(link.Filter_Ctrl(0, 0, 5, 2, 1, 80, 3, true));
    ASSERT_TRUE(link.Filter_Ctrl(0, 0, 5, 1, 2, 5000, 4, true));
    const auto filters = Got<FilterRecord>(link.Get_Filter(0, 0, 4, 7), DSP_FILTER_SET);
    ASSERT_EQ(filters.size(), 4u);
    const FilterRecord& f = filters[1];
    EXPECT_EQ(
        std::vector<int>({f.channel, f.hpType, f.hpFreq, f.hpSlope, f.lpType, f.lpFreq, f.lpSlope}),
        std::vector<int>({5, 1, 80, 3, 2, 5000, 4}));

    const std::vector<float> delays = {1.25f, 7.514f, 15.0f};
    ASSERT_TRUE(link.Delay_Ctrl(0, 0, 0, 2, delays, true));
    const auto delayed = Got<DelayRecord>(link.Get_Delay(0, 0, 0, 2), DSP_DELAY_CH);
    ASSERT_EQ(delayed.size(), 3u);
    for (size_t i = 0; i < delays.size(); ++i) {
        EXPECT_NEAR(delayed[i].delay, delays[i], 1e-4);
    }
    const std::vector<float> trims = {-12.0f, -60.0f, 6.0f};
    ASSERT_TRUE(link.Trim_Ctrl(0, 0, 9, 11, trims, true));
    const auto trimmed = Got<TrimRecord>(link.Get_Trim(0, 0, 9, 11), DSP_TRIM_CH);
    ASSERT_EQ(trimmed.size(), 3u);
    for (size_t i = 0; i < trims.size(); ++i) {
        // Written as attenuation, read back as gain.
        EXPECT_EQ(std::tuple(trimmed[i].channel, trimmed[i].trim),
                  std::tuple(9 + static_cast<int>(i), -trims[i]));
    }

    // The one-byte-per-channel settings, each with its own pattern over all 12 outputs.
    const std::vector<int> pattern = {1, 0, 0, 1, 1, 0, 1, 0, 0, 0, 1, 1};
    const std::vector<int> types = {6, 12, 4, 10, 5, 11, 15, 18, 19, 20, 24, 21};
    struct ByteSetting {
        uint8_t subcmd;
        bool (DspLink::*write)(int, int, int, int, std::span<const int>, bool);
        bool (DspLink::*read)(int, int, int, int);
        std::vector<int> values;
    };
    for (const ByteSetting& s : std::vector<ByteSetting>{
             {DSP_MUTE_CH, &DspLink::Mute_Ch_Ctrl, &DspLink::Get_Mute_Ch, pattern},
             {DSP_CH_TYPE, &DspLink::CH_Type_Ctrl, &DspLink::Get_CH_Type, types},
             {DSP_EQ_BYPASS, &DspLink::PEQ_Bypass_Ctrl, &DspLink::Get_PEQ_Bypass, pattern},
             {DSP_CH_SOLO, &DspLink::Solo_Ctrl, &DspLink::Get_Ch_Solo, pattern}}) {
        SCOPED_TRACE(DspSubcmdName(s.subcmd));
        ASSERT_TRUE((link.*s.write)(0, 0, 0, 11, s.values, true));
        const auto records = Got<ChannelValueRecord>((link.*s.read)(0, 0, 0, 11), s.subcmd);
        ASSERT_EQ(records.size(), 12u);
        for (size_t c = 0; c < records.size(); ++c) {
            EXPECT_EQ(std::tuple(records[c].channel, records[c].value),
                      std::tuple(static_cast<int>(c), s.values[c]));
        }
    }
    ASSERT_TRUE(link.Phase_Ctrl(0, 0, 0, 11, pattern, true));
    const auto phases = Got<PhaseRecord>(link.Get_Phase(0, 0, 0, 11), DSP_PHASE_CH);
    ASSERT_EQ(phases.size(), 12u);
    for (size_t c = 0; c < phases.size(); ++c) {
        EXPECT_EQ(phases[c].phase, pattern[c]);
    }

    const std::vector<std::pair<int, int>> pairs = {{0, 1}, {2, 3}, {9, 8}};
    ASSERT_TRUE(link.CH_Link_Ctrl(0, 1, pairs, true));
    const auto linked = One<LinkRecord>(link.Get_CH_Link(0), DSP_CH_LINK);
    EXPECT_EQ(linked.link, 1);
    EXPECT_EQ(linked.pairs, (std::array<uint8_t, 6>{1, 1, 0, 0, 1, 0}));
    ASSERT_TRUE(link.CH_Lock_Ctrl(0, 1, true));
    EXPECT_EQ(One<LockRecord>(link.Get_CH_Lock(0), DSP_CH_LOCK).lock, 1);
    const std::vector<int> bridges = {1, 0, 1, 0, 0, 1};
    ASSERT_TRUE(link.Output_Bridge_Ctrl(0, 0, bridges, true));
    const auto bridge = One<BridgeRecord>(link.Get_Ouput_Bridge(0, 0, 6), DSP_OUPUT_BRIDGE);
    EXPECT_EQ(bridge.count, 6);
    EXPECT_TRUE(std::equal(bridges.begin(), bridges.end(), bridge.flags.begin()));
}

TEST_F(RoundTripTest, InputRoutingAndMixing) {
    const std::vector<int> masks = {0x0201, 0x3FF, 0, 1, 2, 4, 8, 16, 32, 64, 128, 256};
    ASSERT_TRUE(link.Mix_Ch_Ctrl(0, 5, 0, 11, masks, true));
    const auto mix = Got<MixRecord>(link.Get_Mix_Ch(0, 5, 0, 11), DSP_MIX_CH);
    ASSERT_EQ(mix.size(), 12u);
    for (size_t o = 0; o < mix.size(); ++o) {
        EXPECT_EQ(std::tuple(mix[o].source, mix[o].mask), std::tuple(5, masks[o]));
    }
    const std::vector<int> levels = {100, 0, 55, 1, 2, 3, 4, 5, 6, 7, 8, 99};
    ASSERT_TRUE(link.Input_Mix_Trim_Ctrl(0, 5, 3, 0, 11, levels, true));
    const auto trims =
        One<InputMixTrimRecord>(link.Get_Input_Mix_CH_Trim(0, 5, 3, 0, 11), DSP_INPUT_MIX_CH_TRIM);
    EXPECT_EQ(std::tuple(trims.input, trims.lastOutput), std::tuple(3, 11));
    EXPECT_TRUE(std::equal(levels.begin(), levels.end(), trims.trims.begin()));

    ASSERT_TRUE(link.Cross_Source_Mix_Ctrl_CS47048(0, 5, 0x53, 1, 2, true));
    EXPECT_EQ(One<CrossSourceMixRecord>(link.Get_Mix_Source2(0, 5, 2), DSP_CROSS_SOURCE_MIX_CS47048)
                  .bytes,
              (std::array<uint8_t, 6>{0, 5, 2, 0x53, 1, 0}));
    // The full form sets the gain too, which only the 0x47 read shows.
    ASSERT_TRUE(link.Cross_Source_Mix_Ctrl(0, 1, 0, 0x52, 1, 30, true));
    RawRead(CMD_DSP, DSP_CROSS_SOURCE_MIX, {0, 1, 0});
    EXPECT_EQ(One<CrossSourceMixRecord>(true, DSP_CROSS_SOURCE_MIX).bytes,
              (std::array<uint8_t, 6>{0, 1, 0, 0x52, 1, 30}));

    const std::vector<int> phases = {0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    ASSERT_TRUE(link.Input_Phase_Ctrl(0, 5, 0, 9, phases, true));
    RawRead(CMD_DSP, DSP_INPUT_CH_PHASE, {0, 5, 0, 9});
    const auto phase = One<InputValuesRecord>(true, DSP_INPUT_CH_PHASE);
    EXPECT_EQ(phase.last, 9);
    EXPECT_TRUE(std::equal(phases.begin(), phases.end(), phase.values.begin()));

    ASSERT_TRUE(link.Input_Ch_Threshold_Ctrl(-70, true));
    ASSERT_TRUE(link.Get_Input_Threshold(0, 0, true));
    EXPECT_EQ(Value(WM_READ_DSP_VALUE, DSP_INPUT_THRESHOLD), -70);
}

TEST_F(RoundTripTest, GlobalSwitchesMcuSettingsAndKaraoke) {
    struct Scalar {
        bool written;
        bool (DspLink::*read)();
        uint8_t subcmd;
        int32_t expected;
    };
    for (const Scalar& s : std::vector<Scalar>{
             {link.Source_Switch_Ctrl(0x56, true), &DspLink::Get_Source, DSP_SOURCE_SWITCH, 0x56},
             // Written as 6 - volume, read back as the volume.
             {link.Main_Volume_Ctrl(16.0f, true), &DspLink::Get_Main_Volume, DSP_VOLUME, -10},
             {link.Mute_Ctrl(1, true), &DspLink::Get_Mute, DSP_MUTE, 1},
             {link.Amp_Mute_Ctrl(1, true), &DspLink::Get_Amp_Mute, DSP_AMP_MUTE, 1},
             {link.Spk_Ohm_Ctrl(0, true), &DspLink::Get_Spk_Ohm, DSP_SPK_OHM, 0},
             {link.Noise_Gate_Ctrl(1, true), &DspLink::Get_Noise_Gate, DSP_NOISE_GATE, 1}}) {
        SCOPED_TRACE(DspSubcmdName(s.subcmd));
        EXPECT_TRUE(s.written);
        ASSERT_TRUE((link.*s.read)());
        EXPECT_EQ(Value(WM_READ_DSP_VALUE, s.subcmd), s.expected);
    }
    ASSERT_TRUE(link.Rem_Out_Ctrl(0, 1, true));
    EXPECT_EQ(One<RemOutRecord>(link.Get_Rem_Out(), DSP_REM_OUT).rem,
              (std::array<uint8_t, 2>{0, 1}));
    ASSERT_TRUE(link.Set_MemData(0x1234, 0xDEADBEEF, true));
    EXPECT_EQ(
        One<MemDataRecord>(link.Get_MemData(0x1234), DSP_MEM_DATA, ReplyTargetId::Memory).bytes,
        (std::array<uint8_t, 8>{0x34, 0x12, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE}));

    ASSERT_TRUE(link.Set_Acc(5, true));
    ASSERT_TRUE(link.Get_Acc());
    EXPECT_EQ(Value(WM_READ_MCU_VALUE, MCU_ACC), 5);
    ASSERT_TRUE(link.Set_Power_Off_Time(1500, true));
    RawRead(CMD_MCU, MCU_POWER_OFF_TIME, {});
    EXPECT_EQ(Value(WM_READ_MCU_VALUE, MCU_POWER_OFF_TIME), 1500);
    ASSERT_TRUE(link.KTV_Echo_Delay_Ctrl(300, true));
    ASSERT_TRUE(link.KTV_Bass_Gain_Ctrl(-6, true));
    ASSERT_TRUE(link.KTV_Mic_Vol_Ctrl(42, true));
    for (const auto& [subcmd, value] : {std::pair{KTV_ECHO_DELAY, 300},
                                        std::pair{KTV_BASS_GAIN, -6}, std::pair{KTV_MIC_VOL, 42}}) {
        RawRead(CMD_KTV, subcmd, {});
        EXPECT_EQ(Value(WM_READ_KTV_VALUE, subcmd), value);
    }
}

TEST_F(RoundTripTest, CompressorsAndOtherWritesWithoutAGetOperation) {
    ASSERT_TRUE(link.Compressor_Ctrl(0, 0, 1, 0, -40.0f, 4.5f, 6.0f, 20, 500, true));
    RawRead(CMD_DSP, DSP_COMPRESSOR_SETTING, {0, 0, 1, 1});
    const auto c = One<CompressorRecord>(true, DSP_COMPRESSOR_SETTING);
    EXPECT_EQ(std::tuple(c.bypass, c.noise, c.ratio, c.knee, c.attack, c.release),
              std::tuple(0, -40.0f, 4.5f, 6.0f, 20, 500));
    const CompressorChannel channel{-12.5f, 20, 2500};
    ASSERT_TRUE(link.Compressor_Ctrl2(0, 0, 2, 2, std::span(&channel, 1), true));
    RawRead(CMD_DSP, DSP_COMPRESSOR_SETTING2, {0, 0, 2, 2});
    const auto c2 = One<Compressor2Record>(true, DSP_COMPRESSOR_SETTING2);
    EXPECT_EQ(std::tuple(c2.threshold, c2.attack, c2.release), std::tuple(-12.5f, 20, 2500));
    ASSERT_TRUE(link.Compressor_Ch_Ctrl(0, 0, 0, 1, std::vector<int>{0, 1}, true));
    RawRead(CMD_DSP, DSP_COMPRESSOR_ON_CH, {0, 0, 0, 1});
    const auto on = Got<ChannelValueRecord>(true, DSP_COMPRESSOR_ON_CH);
    ASSERT_EQ(on.size(), 2u);
    EXPECT_EQ(std::tuple(on[0].value, on[1].value), std::tuple(0, 1));
    ASSERT_TRUE(link.Set_AUTO_ON(2, 1, true));
    RawRead(CMD_DSP, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, {});
    EXPECT_EQ(Value(WM_READ_DSP_VALUE, DSP_AUTO_EFFECTION_ON_OFF_CONTROL), 1);

    // Only the device's state shows these.
    ASSERT_TRUE(link.IRC_Sel_Test_Module(7, true));
    ASSERT_TRUE(link.IRC_Active_Bypass_Ctrl(3, 1, true));
    std::array<uint8_t, DspLink::kAutoSettingSize> record{};
    for (size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<uint8_t>(i + 1);
    }
    link.SetAsyncMode(true);  // this one is only ever queued
    ASSERT_TRUE(link.CS_Auto_Setting_Ctrl(record));
    for (int i = 0; i < 2000 && amp->Snapshot().autoSetting != record; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    link.SetAsyncMode(false);
    const sim::DeviceState s = amp->Snapshot();
    EXPECT_EQ(s.autoSetting, record);
    EXPECT_EQ(
        std::tuple(s.calibration.testModule, s.calibration.bypassSelector, s.calibration.bypass),
        std::tuple(7, 3, 1));

    // A factory reset takes all of it back.
    ASSERT_TRUE(link.MCU_Factory_Reset_Ctrl());
    EXPECT_EQ(amp->Snapshot(), sim::DefaultDeviceState());
}

TEST_F(RoundTripTest, ScenesInFlash) {
    const std::string night = "Night";
    ASSERT_TRUE(link.SetSceneName(
        2, std::span(reinterpret_cast<const uint8_t*>(night.data()), night.size())));
    auto name = One<SceneNameRecord>(link.Get_Scene_Name(2), FLASH_SCENE_NAME);
    EXPECT_EQ(name.index, 1);
    EXPECT_EQ(Name(name.name), night);

    const std::vector<float> trim = {-20.0f};
    ASSERT_TRUE(link.Trim_Ctrl(0, 0, 0, 0, trim, true));
    ASSERT_TRUE(link.SaveScene(2, 0));
    EXPECT_EQ(Value(WM_READ_FLASH_VALUE, 2, ReplyTargetId::Scene), 0);
    EXPECT_EQ(One<SceneMaskRecord>(link.Get_Scene_Valid(), FLASH_SCENE_VALID).mask, 0x0002);
    ASSERT_TRUE(link.Get_Scene_Id());
    EXPECT_EQ(Value(WM_READ_SENCE_VALUE, FLASH_SCENE_ID, ReplyTargetId::Scene), 2);
    // Reads addressed to a stored scene read that scene.
    const std::vector<float> other = {-3.0f};
    ASSERT_TRUE(link.Trim_Ctrl(0, 0, 0, 0, other, true));
    ASSERT_TRUE(link.ReadScene(2, 255));
    const auto stored = One<TrimRecord>(link.Get_Trim(2, 0, 0, 0), DSP_TRIM_CH);
    EXPECT_EQ(std::tuple(stored.scene, stored.trim), std::tuple(2, 20.0f));

    ASSERT_TRUE(link.DeleteScene(2));
    EXPECT_EQ(Value(WM_SCENE_DELETED, 2, ReplyTargetId::Scene), 0);
    EXPECT_EQ(One<SceneMaskRecord>(link.Get_Scene_Valid(), FLASH_SCENE_VALID).mask, 0);
    name = One<SceneNameRecord>(link.Get_Scene_Name(2), FLASH_SCENE_NAME);
    EXPECT_EQ(name.name, (std::array<uint8_t, 16>{}));  // erased
}

TEST_F(RoundTripTest, CalibrationMetersAndTheWholeStateRead) {
    ASSERT_TRUE(link.IRC_Ctrl(1, 0x0003, 1, true));
    std::vector<uint32_t> codes;
    for (int i = 0; i < 20 && (codes.empty() || codes.back() != 10); ++i) {
        ASSERT_TRUE(link.IRC_Get());
        const auto all = TakeAll(ReplyTargetId::Calibration);
        ASSERT_EQ(all.size(), 1u);
        codes.push_back(all[0].wParam);
    }
    EXPECT_EQ(codes, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 7, 8, 9, 10}));
    const auto points = Got<IrcSpectrumRecord>(link.IRC_Get_Spectrum(1, 0, 8), DSP_IRC_SPECTRUM,
                                               ReplyTargetId::Calibration);
    ASSERT_EQ(points.size(), 9u);
    EXPECT_NEAR(points[0].freq, 20.0f, 0.01f);
    EXPECT_EQ(
        Got<IrcEqRecord>(link.IRC_Get_EQ(1, 0, 5), DSP_IRC_EQ, ReplyTargetId::Calibration).size(),
        6u);
    const auto distance = Got<IrcDistanceRecord>(link.IRC_Get_Distance(0, 1), DSP_IRC_DISTANCE,
                                                 ReplyTargetId::Calibration);
    ASSERT_EQ(distance.size(), 2u);
    EXPECT_FLOAT_EQ(distance[1].distance, sim::RoomDistance(1) / 100.0f);

    amp->SetInputNoise(1, -72.3f);
    const auto noise = One<InputNoiseRecord>(link.Get_Input_Noise(0, 1, true), DSP_INPUT_NOISE,
                                             ReplyTargetId::Noise);
    EXPECT_NEAR(noise.levels[1], -72.3f, 1e-4);

    // Every read of the initial state read gets its one answer, decoded in full.
    TakeAll();
    EXPECT_EQ(ReadLiveState(link), 0);
    size_t eqRecords = 0;
    size_t names = 0;
    for (const LinkMessage& m : TakeAll()) {
        eqRecords += m.message == WM_READ_DSP_VALUE && m.wParam == DSP_EQ_CH;
        names += m.message == WM_READ_FLASH_VALUE && m.wParam == FLASH_SCENE_NAME;
    }
    EXPECT_EQ(eqRecords, 12u * 31u);
    EXPECT_EQ(names, 10u);
}

TEST_F(RoundTripTest, FaultsLeaveTheLinkWorking) {
    auto muteRoundTrip = [&](int value) {
        TakeAll();
        ASSERT_TRUE(link.Mute_Ctrl(value, true));
        ASSERT_TRUE(link.Get_Mute());
        EXPECT_EQ(Value(WM_READ_DSP_VALUE, DSP_MUTE), value);
    };
    // A lost or damaged answer is asked for again, a split one read whole, before the call
    // returns: the next request never gets the previous one's answer.
    for (const ReplyFault fault : {ReplyFault::Drop, ReplyFault::Corrupt, ReplyFault::Split}) {
        SCOPED_TRACE(static_cast<int>(fault));
        amp->FaultAnswer(0, fault);
        EXPECT_EQ(Got<FilterRecord>(link.Get_Filter(0, 0, 4, 7), DSP_FILTER_SET).size(), 4u);
        muteRoundTrip(1);
        muteRoundTrip(0);
    }

    amp->SetReportDelayUs(1000);
    muteRoundTrip(0);
    amp->SetReportDelayUs(0);

    int arrivals = 0;
    int removals = 0;
    amp->SetHotplugCallbacks([&] { ++arrivals; }, [&] { ++removals; });
    amp->Unplug();
    EXPECT_EQ(removals, 1);
    // The link sees the device gone, closes and says so.
    EXPECT_FALSE(link.Mute_Ctrl(1, true));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(Value(WM_DEVICE_DISCONNECT, 0), 0);
    amp->PlugIn();
    EXPECT_EQ(arrivals, 1);
    ASSERT_EQ(link.Open(), OpenResult::Opened);
    ASSERT_TRUE(link.Hand_Connect());
    EXPECT_TRUE(link.State().mcu_is_normal_mode);
    TakeAll();
    muteRoundTrip(1);

    // Reports the amplifier sends by itself are decoded by the next read.
    amp->QueueSourceSwitch(0x53, -20);
    TakeAll();
    ASSERT_TRUE(link.ReadHIDData(1000));
    EXPECT_EQ(Value(WM_READ_DSP_VALUE, DSP_SOURCE_SWITCH), 0x53);
    ASSERT_TRUE(link.ReadHIDData(1000));
    EXPECT_EQ(Value(WM_READ_DSP_VALUE, DSP_VOLUME), -20);
    amp->QueuePing();
    ASSERT_TRUE(link.ReadHIDData(1000));
    EXPECT_EQ(Value(WM_READ_MCU_VALUE, MCU_PING), 0);
    EXPECT_FALSE(link.State().mcu_is_normal_mode);
    muteRoundTrip(0);
}
