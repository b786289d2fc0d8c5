#include "sim/virtual_amplifier.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "link/subcommands.h"
#include "sim/demo_tuning.h"

using namespace dsplink;
using sim::VirtualAmplifier;
using Bytes = std::vector<uint8_t>;

namespace {

struct Frame {
    uint8_t type = 0;
    uint8_t subcmd = 0;
    uint8_t optype = 0;
    Bytes payload;
};

// Takes an input report apart, checking sync, LEN, checksum and zero padding on the way.
Frame Unpack(const sim::InputReport& r) {
    EXPECT_EQ(r[0], 0xAA);
    EXPECT_EQ(r[1], 0x55);
    const size_t len = r[2];
    EXPECT_GE(len, 3u);
    EXPECT_LE(len + 4, r.size());
    unsigned sum = 0;
    for (size_t i = 2; i < len + 4 && i < r.size(); ++i) {
        sum += r[i];
    }
    EXPECT_EQ(sum & 0xFF, 0u) << "checksum";
    for (size_t i = len + 4; i < r.size(); ++i) {
        EXPECT_EQ(r[i], 0) << "padding at " << i;
    }
    return Frame{r[3], r[4], r[5], Bytes(r.begin() + 6, r.begin() + 3 + static_cast<long>(len))};
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class AmpTest : public ::testing::Test {
  protected:
    std::optional<Frame> Send(uint8_t type, uint8_t subcmd, uint8_t optype, const Bytes& p) {
        const OutputReport report = BuildOutputReport(type, subcmd, optype, p);
        const std::optional<sim::InputReport> out = amp.HandleReport(report);
        if (!out) {
            return std::nullopt;
        }
        return Unpack(*out);
    }
    // A write the device takes: OP_ACK, status 0x0A, the request's first byte.
    void Write(uint8_t type, uint8_t subcmd, const Bytes& p) {
        const std::optional<Frame> f = Send(type, subcmd, OP_WRITE, p);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->type, type);
        EXPECT_EQ(f->subcmd, subcmd);
        EXPECT_EQ(f->optype, OP_ACK);
        EXPECT_EQ(f->payload, (Bytes{0x0A, p.empty() ? uint8_t{0} : p[0]}));
    }
    void Refused(uint8_t type, uint8_t subcmd, uint8_t optype, const Bytes& p) {
        const std::optional<Frame> f = Send(type, subcmd, optype, p);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->optype, OP_ACK);
        EXPECT_EQ(f->payload, (Bytes{0x60, p.empty() ? uint8_t{0} : p[0]}));
    }
    Bytes Read(uint8_t type, uint8_t subcmd, const Bytes& p) {
        const std::optional<Frame> f = Send(type, subcmd, OP_READ, p);
        EXPECT_TRUE(f);
        if (!f) {
            return {};
        }
        EXPECT_EQ(f->type, type);
        EXPECT_EQ(f->subcmd, subcmd);
        EXPECT_EQ(f->optype, OP_UPDATE);
        return f->payload;
    }
    Bytes Dsp(uint8_t subcmd, const Bytes& p = {}) { return Read(CMD_DSP, subcmd, p); }
    Bytes Flash(uint8_t subcmd, const Bytes& p = {}) { return Read(CMD_FLASH, subcmd, p); }
    Bytes IrcStatus() { return Dsp(DSP_IRC_CTRL); }

    VirtualAmplifier amp;
};

}  // namespace

TEST_F(AmpTest, AnswersCarryTheExactFrameBytes) {
    const OutputReport mute = BuildOutputReport(CMD_DSP, DSP_MUTE, OP_WRITE, Bytes{1});
    const auto ack = amp.HandleReport(mute);
    ASSERT_TRUE(ack);
    sim::InputReport expected{};
    const Bytes head = {0xAA, 0x55, 0x05, 0x01, 0x04, 0xEE, 0x0A, 0x01, 0xFD};
    std::copy(head.begin(), head.end(), expected.begin());
    EXPECT_EQ(*ack, expected);
    EXPECT_EQ(amp.Snapshot().mute, 1);

    // The handshake answers status, model, master and slave version.
    amp.SetIdentity(79, 3, 1);
    amp.SetNormalMode(false);
    EXPECT_EQ(Send(CMD_MCU, MCU_HANDSHAKE, OP_WRITE, {})->payload, (Bytes{0xF0, 79, 3, 1}));
}

TEST_F(AmpTest, SomeFramesAreNeverAnswered) {
    // PC connect and reboot: the program reads nothing after them.
    EXPECT_FALSE(Send(CMD_MCU, MCU_PC_CONNECT, OP_WRITE, {1}));
    EXPECT_EQ(amp.Snapshot().pcAttached, 1);
    EXPECT_FALSE(Send(CMD_MCU, MCU_PC_CONNECT, OP_WRITE, {0}));
    EXPECT_EQ(amp.Snapshot().pcAttached, 0);
    EXPECT_FALSE(Send(CMD_MCU, 0x8F, OP_WRITE, {}));
    // Frames that are not requests.
    EXPECT_FALSE(Send(CMD_DSP, DSP_MUTE, OP_UPDATE, {1}));
    EXPECT_FALSE(Send(CMD_DSP, DSP_MUTE, OP_ACK, {0x0A}));
    // A corrupted request is not applied.
    OutputReport bad = BuildOutputReport(CMD_DSP, DSP_MUTE, OP_WRITE, Bytes{1});
    bad[8] ^= 0x01;
    EXPECT_FALSE(amp.HandleReport(bad));
    const uint8_t tiny[] = {0x00};
    EXPECT_FALSE(amp.HandleReport(tiny));
    EXPECT_EQ(amp.Snapshot(), sim::DefaultDeviceState());
}

TEST_F(AmpTest, RequestsForWhatTheDeviceLacksAreRefusedWithoutEffect) {
    Refused(CMD_DSP, DSP_TRIM_CH, OP_WRITE, {0, 0, 11, 12, 1, 1});  // output 12
    Refused(CMD_DSP, DSP_TRIM_CH, OP_WRITE, {11, 0, 0, 0, 1});      // scene 11
    Refused(CMD_DSP, DSP_TRIM_CH, OP_WRITE, {0, 0, 0, 3, 1, 1});    // items missing
    Refused(CMD_DSP, DSP_MIX_CH, OP_WRITE, {0, 9, 0, 0, 0, 1});     // source 9
    Refused(CMD_DSP, DSP_FILTER_SET, OP_WRITE, {0, 0, 0, 3, 1, 0, 80, 2});
    Refused(CMD_DSP, DSP_EQ_CH, OP_WRITE, {0, 0, 0, 31, 3, 0xE8, 2, 5, 14, 5});
    Refused(CMD_DSP, DSP_CH_LINK, OP_WRITE, {0, 1, 1, 0, 12});
    Refused(CMD_DSP, DSP_SOURCE_SWITCH, OP_WRITE, {0x50});
    Refused(CMD_DSP, 0x48, OP_WRITE, {1});
    Refused(CMD_DSP, DSP_FILTER_SET, OP_READ, {0, 0, 10, 12});
    Refused(CMD_DSP, DSP_IRC_EQ, OP_READ, {0, 0, 11});
    Refused(CMD_DSP, DSP_REMAP_CH, OP_READ, {});
    Refused(CMD_FLASH, FLASH_SCENE_SAVE, OP_WRITE, {11, 0});
    Refused(CMD_FLASH, FLASH_SCENE_NAME, OP_WRITE, {2, 5, 'a', 'b'});
    Refused(CMD_MCU, MCU_POWER_OFF_TIME, OP_WRITE, {5});
    Refused(CMD_KTV, 0x0B, OP_WRITE, {1});
    Refused(5, 1, OP_READ, {});
    EXPECT_EQ(amp.Snapshot(), sim::DefaultDeviceState());
}

TEST_F(AmpTest, StartsWithTheProgramsDefaults) {
    EXPECT_EQ(Dsp(DSP_CH_TYPE, {0, 0, 0, 11}),
              (Bytes{0, 0, 0, 11, 1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23}));
    // Tweeter, tweeter, midrange, midrange: type, HP freq, slope, type, LP freq, slope.
    EXPECT_EQ(Dsp(DSP_FILTER_SET, {0, 0, 0, 3}),
              (Bytes{0, 0,    0,    3, 3, 0x0D, 0x48, 2, 3, 0x4E, 0x20, 0,
                     3, 0x0D, 0x48, 2, 3, 0x4E, 0x20, 0, 3, 0x02, 0x58, 2,
                     3, 0x07, 0x6C, 2, 3, 0x02, 0x58, 2, 3, 0x07, 0x6C, 2}));
    // Woofers and subwoofers.
    EXPECT_EQ(Dsp(DSP_FILTER_SET, {0, 0, 9, 10}),
              (Bytes{0, 0, 9, 10, 3, 0, 70, 3, 3, 0x01, 0x40, 2, 1, 0, 30, 4, 1, 0, 50, 2}));
    // ISO bands with Q 5.80 and 0 dB (18.0 on the wire).
    EXPECT_EQ(Dsp(DSP_EQ_CH, {0, 0, 4, 28, 30}),
              (Bytes{0,    0, 4,  28, 30, 0x30, 0xD4, 5, 80, 18, 0, 0x3E,
                     0x80, 5, 80, 18, 0,  0x4E, 0x20, 5, 80, 18, 0}));
    EXPECT_EQ(Dsp(DSP_EQ_BYPASS, {0, 0, 0, 11}),
              (Bytes{0, 0, 0, 11, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(Dsp(DSP_MIX_CH, {0, 5, 0, 5}),
              (Bytes{0, 5, 0, 5, 0, 1, 0, 2, 0, 4, 0, 8, 0, 3, 0, 3}));
    EXPECT_EQ(Dsp(DSP_INPUT_MIX_CH_TRIM, {0, 0, 0, 0, 11}),
              (Bytes{0, 0, 0, 0, 11, 100, 0, 100, 0, 100, 100, 100, 0, 100, 0, 100, 0}));
    EXPECT_EQ(Dsp(DSP_CROSS_SOURCE_MIX_CS47048, {0, 0, 0, 0, 1}), (Bytes{0, 0, 0x5A, 0, 1}));
    EXPECT_EQ(Dsp(DSP_SOURCE_SWITCH), Bytes{0x51});
    EXPECT_EQ(Dsp(DSP_AMP_MUTE), Bytes{0});
    EXPECT_EQ(Dsp(DSP_REM_OUT), (Bytes{1, 1}));
    EXPECT_EQ(Dsp(DSP_SPK_OHM), Bytes{1});
    EXPECT_EQ(Dsp(DSP_INPUT_THRESHOLD, {0, 0}), Bytes{0xC4});
    EXPECT_EQ(Flash(FLASH_SCENE_VALID), (Bytes{0, 0}));
    EXPECT_EQ(Read(CMD_KTV, KTV_MIC_VOL, {}), Bytes{60});
}

TEST_F(AmpTest, ReadsAnswerWhatWasWrittenWhereTheDeviceConverts) {
    // Q goes out in tenths and comes back in hundredths.
    Write(CMD_DSP, DSP_EQ_CH, {0, 0, 3, 2, 0x03, 0xE8, 0x02, 0x05, 0x0E, 0x05});
    EXPECT_EQ(Dsp(DSP_EQ_CH, {0, 0, 3, 2, 2}), (Bytes{0, 0, 3, 2, 2, 3, 0xE8, 2, 50, 14, 5}));
    // Link: one byte per output pair; a pair across two pairs is taken but not reported.
    Write(CMD_DSP, DSP_CH_LINK, {0, 1, 3, 0, 1, 5, 4, 2, 7});
    EXPECT_EQ(Dsp(DSP_CH_LINK, {0}), (Bytes{0, 1, 1, 0, 1, 0, 0, 0}));
    Write(CMD_DSP, DSP_CH_LINK, {0, 0, 0});
    EXPECT_EQ(Dsp(DSP_CH_LINK, {0}), (Bytes{0, 0, 0, 0, 0, 0, 0, 0}));
    // The two cross-source writes address one input row; CS47048 keeps the gain.
    Write(CMD_DSP, DSP_CROSS_SOURCE_MIX, {0, 5, 1, 0x52, 1, 30});
    Write(CMD_DSP, DSP_CROSS_SOURCE_MIX_CS47048, {0, 5, 0x53, 0, 1});
    EXPECT_EQ(Dsp(DSP_CROSS_SOURCE_MIX, {0, 5, 1}), (Bytes{0, 5, 1, 0x53, 0, 30}));
    // Routing belongs to its source.
    Write(CMD_DSP, DSP_MIX_CH, {0, 2, 3, 3, 0x02, 0x01});
    EXPECT_EQ(Dsp(DSP_MIX_CH, {0, 1, 3, 3}), (Bytes{0, 1, 3, 3, 0, 2}));
}

TEST_F(AmpTest, LongReadsAreCutToWholeItemsThatFitOneFrame) {
    const Bytes filters = Dsp(DSP_FILTER_SET, {0, 0, 0, 11});
    EXPECT_EQ(filters[3], 5);
    EXPECT_EQ(filters.size(), 4u + 6 * 8);
    const Bytes bands = Dsp(DSP_EQ_CH, {0, 0, 0, 0, 30});
    EXPECT_EQ(bands[4], 7);
    EXPECT_EQ(bands.size(), 5u + 8 * 6);
    const Bytes spectrum = Dsp(DSP_IRC_SPECTRUM, {0, 0, 120});
    EXPECT_EQ(spectrum[2], 9);
    EXPECT_EQ(spectrum.size(), 3u + 10 * 5);
    // A head whose last is below its first addresses nothing.
    EXPECT_EQ(Dsp(DSP_TRIM_CH, {0, 0, 3, 2}), (Bytes{0, 0, 3, 2}));
}

TEST_F(AmpTest, DemoTuningReadsBackAsGainsDelaysAndABridge) {
    amp.Modify(sim::ApplyDemoTuning);
    // Gains in signed dB: attenuations of 8, 8 and 4.
    EXPECT_EQ(Dsp(DSP_TRIM_CH, {0, 0, 0, 2}), (Bytes{0, 0, 0, 2, 0xF8, 0xF8, 0xFC}));
    EXPECT_EQ(Dsp(DSP_DELAY_CH, {0, 0, 0, 0}), (Bytes{0, 0, 0, 0, 2, 0x01, 0x5E}));  // 2.350 ms
    EXPECT_EQ(Dsp(DSP_VOLUME), Bytes{0xF4});                                         // -12 dB
    EXPECT_EQ(Dsp(DSP_OUPUT_BRIDGE, {0, 0, 6}), (Bytes{0, 0, 6, 0, 0, 0, 0, 0, 1}));
}

TEST_F(AmpTest, ScenesSaveLoadAndDelete) {
    // Trims are written as attenuation and read back as gain: 5 reads as -5.
    auto gain = [](int attenuation) { return static_cast<uint8_t>(-attenuation); };
    Write(CMD_DSP, DSP_TRIM_CH, {0, 0, 0, 0, 5});
    Write(CMD_FLASH, FLASH_SCENE_SAVE, {2, 0});
    EXPECT_EQ(Flash(FLASH_SCENE_VALID), (Bytes{0x00, 0x02}));
    EXPECT_EQ(Flash(FLASH_SCENE_ID), Bytes{2});
    Write(CMD_DSP, DSP_TRIM_CH, {0, 0, 0, 0, 9});
    EXPECT_EQ(Dsp(DSP_TRIM_CH, {2, 0, 0, 0}), (Bytes{2, 0, 0, 0, gain(5)}));

    // Immediate: the scene is stored as its own writes left it, not as the live set.
    Write(CMD_DSP, DSP_TRIM_CH, {10, 0, 0, 0, 7});
    Write(CMD_FLASH, FLASH_SCENE_SAVE, {10, 1});
    EXPECT_EQ(Flash(FLASH_SCENE_VALID), (Bytes{0x02, 0x02}));
    EXPECT_EQ(Dsp(DSP_TRIM_CH, {10, 0, 0, 0}), (Bytes{10, 0, 0, 0, gain(7)}));
    EXPECT_EQ(Flash(FLASH_SCENE_ID), Bytes{2});

    // Reading to 255 only prepares the scene for reads; reading to 0 loads it.
    Write(CMD_FLASH, FLASH_SCENE_READ, {2, 255});
    EXPECT_EQ(Dsp(DSP_TRIM_CH, {0, 0, 0, 0}), (Bytes{0, 0, 0, 0, gain(9)}));
    Write(CMD_FLASH, FLASH_SCENE_READ, {10, 0});
    EXPECT_EQ(Dsp(DSP_TRIM_CH, {0, 0, 0, 0}), (Bytes{0, 0, 0, 0, gain(7)}));
    EXPECT_EQ(Flash(FLASH_SCENE_ID), Bytes{10});
    Refused(CMD_FLASH, FLASH_SCENE_READ, OP_WRITE, {4, 0});  // empty slot
    EXPECT_EQ(amp.Snapshot().scenes[0], amp.Snapshot().scenes[10]);

    Write(CMD_FLASH, FLASH_SCENE_NAME, {10, 3, 'C', 'a', 'r'});
    Write(CMD_FLASH, FLASH_SCENE_DELETE, {10});
    EXPECT_EQ(Flash(FLASH_SCENE_VALID), (Bytes{0x00, 0x02}));
    EXPECT_EQ(Flash(FLASH_SCENE_ID), Bytes{0});
    EXPECT_EQ(Flash(FLASH_SCENE_NAME, {10}),
              (Bytes{10, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(amp.Snapshot().scenes[10], sim::DefaultScene());
}

TEST_F(AmpTest, SceneNamesAreSixteenZeroPaddedBytes) {
    Write(CMD_FLASH, FLASH_SCENE_NAME, {2, 5, 'N', 'i', 'g', 'h', 't'});
    EXPECT_EQ(Flash(FLASH_SCENE_NAME, {2}), Cat(Cat({2}, Text("Night")), Bytes(11, 0)));
    Write(CMD_FLASH, FLASH_SCENE_NAME, Cat({1, 20}, Text("ABCDEFGHIJKLMNOPQRST")));
    EXPECT_EQ(Flash(FLASH_SCENE_NAME, {1}), Cat({1}, Text("ABCDEFGHIJKLMNOP")));
    EXPECT_EQ(Flash(FLASH_SCENE_NAME, {3}), Cat({3}, Bytes(16, 0xFF)));  // never named
    Refused(CMD_FLASH, FLASH_SCENE_NAME, OP_READ, {0});
}

TEST_F(AmpTest, CalibrationRunFollowsItsScript) {
    EXPECT_EQ(IrcStatus(), (Bytes{12, 0, 0, 0, 0}));
    Write(CMD_DSP, DSP_IRC_CTRL, {1, 0x00, 0x05, 2});
    const std::vector<std::pair<int, int>> script = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0},
                                                     {5, 0}, {6, 0}, {7, 0}, {8, 0}, {7, 2},
                                                     {8, 2}, {9, 0}, {10, 0}};
    int progress = -1;
    for (const auto& [code, channel] : script) {
        const Bytes status = IrcStatus();
        ASSERT_EQ(status.size(), 5u);
        EXPECT_EQ(status[0], code);
        EXPECT_EQ(status[1], channel);
        EXPECT_GT(status[3], progress);
        progress = status[3];
    }
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(IrcStatus()[0], 10);  // done repeats
    EXPECT_EQ(amp.Snapshot().calibration.channelMask, 0x0005);
    EXPECT_EQ(amp.Snapshot().calibration.eqMode, 2);
    Write(CMD_DSP, DSP_IRC_CTRL, {0, 0, 0, 0});
    EXPECT_EQ(IrcStatus()[0], 12);

    // A failing run stops with code 11 and its reason; the next run succeeds again.
    amp.FailCalibrationAt(3, 2);
    Write(CMD_DSP, DSP_IRC_CTRL, {1, 0x00, 0x01, 0});
    for (int code : {0, 1, 2}) {
        EXPECT_EQ(IrcStatus()[0], code);
    }
    EXPECT_EQ(IrcStatus(), (Bytes{11, 0, 0, 30, 2}));
    EXPECT_EQ(IrcStatus()[0], 11);
    Write(CMD_DSP, DSP_IRC_CTRL, {1, 0x00, 0x01, 0});
    for (int i = 0; i < 11; ++i) {
        IrcStatus();
    }
    EXPECT_EQ(IrcStatus()[0], 10);
}

TEST_F(AmpTest, CalibrationSpectrumCarriesSignedHundredths) {
    amp.Modify([](sim::DeviceState& s) {
        s.calibration.spectrum[6][30] = sim::SpectrumPoint{123456, -1234};
    });
    EXPECT_EQ(Dsp(DSP_IRC_SPECTRUM, {6, 30, 30}), (Bytes{6, 30, 30, 0x04, 0xD2, 56, 0xF4, 0xDE}));
    // A run measures its outputs from 20 Hz to 20 kHz in rising steps.
    Write(CMD_DSP, DSP_IRC_CTRL, {1, 0x00, 0x09, 0});
    const sim::DeviceState s = amp.Snapshot();
    EXPECT_EQ(s.calibration.spectrum[0][0].freq, 2000u);
    EXPECT_EQ(s.calibration.spectrum[0][120].freq, 2000000u);
    for (int i = 1; i < sim::kIrcSpectrumPoints; ++i) {
        EXPECT_GT(s.calibration.spectrum[3][i].freq, s.calibration.spectrum[3][i - 1].freq);
    }
}

TEST_F(AmpTest, MetersAndFactoryReset) {
    amp.SetInputNoise(1, -80.5f);
    EXPECT_EQ(Dsp(DSP_INPUT_NOISE, {0, 1}), (Bytes{0, 1, 15, 0, 19, 5}));
    amp.SetInputClip(5, 3, true);
    amp.SetOutputClip(2, 11, true);
    EXPECT_EQ(Dsp(DSP_INPUT_CH_DISTORT, {0, 5, 2, 3}), (Bytes{5, 2, 3, 0, 1}));
    EXPECT_EQ(Dsp(DSP_OUTPUT_CH_DISTORT, {0, 2, 10, 11}), (Bytes{2, 10, 11, 0, 1}));
    EXPECT_EQ(Dsp(DSP_MEM_DATA, {9, 9, 9, 9, 0, 0, 0, 0}), (Bytes{9, 9, 9, 9, 0, 0, 0, 0}));
    Write(CMD_DSP, DSP_AMP_MUTE, {1});
    Write(CMD_MCU, MCU_ACC, {7});

    // A factory reset forgets settings and scenes but not who the device is.
    amp.SetIdentity(78, 17, 2);
    Write(CMD_FLASH, FLASH_SCENE_SAVE, {1, 0});
    Write(CMD_MCU, MCU_FACTORY_RESET, {});
    const sim::DeviceState s = amp.Snapshot();
    EXPECT_EQ(s.scenes, sim::DefaultDeviceState().scenes);
    EXPECT_EQ(s.validMask, 0);
    EXPECT_EQ(s.ampMute, 0);
    EXPECT_EQ(s.acc, 0);
    EXPECT_EQ(s.masterVersion, 17);
    EXPECT_EQ(s.inputNoise[1], (std::array<uint8_t, 2>{19, 5}));
}

TEST_F(AmpTest, UnsolicitedReportsWaitForTheHostAndMoveTheState) {
    amp.QueuePing();
    amp.QueueSourceSwitch(0x56, -10);
    const std::vector<sim::InputReport> reports = amp.TakeUnsolicited();
    ASSERT_EQ(reports.size(), 3u);
    const Frame ping = Unpack(reports[0]);
    EXPECT_EQ(std::vector<int>({ping.type, ping.subcmd, ping.optype}),
              std::vector<int>({CMD_MCU, MCU_PING, OP_UPDATE}));
    EXPECT_EQ(Unpack(reports[2]).payload, Bytes{0xF6});
    EXPECT_TRUE(amp.TakeUnsolicited().empty());
    EXPECT_EQ(Dsp(DSP_SOURCE_SWITCH), Bytes{0x56});
    EXPECT_EQ(Dsp(DSP_VOLUME), Bytes{0xF6});
}
