// The table of well-formed replies: wire payload in, expected posts out.
#include <cmath>
#include <cstring>
#include <sstream>
#include <tuple>
#include <type_traits>

#include "link/subcommands.h"
#include "reply_decoders_support.h"

namespace reply_test {
namespace {

std::vector<uint8_t> Text(std::vector<uint8_t> head, const char* text, size_t width) {
    const size_t start = head.size();
    head.resize(start + width, 0);
    std::memcpy(head.data() + start, text, std::strlen(text));
    return head;
}

std::vector<ReplyCase> Cases() {
    const std::vector<uint8_t> eq = {2,    0,    0,    0,    1,    0x03, 0xE8, 0x02, 0x32,
                                     0x0E, 0x05, 0x00, 0x64, 0x01, 0x05, 0x18, 0x05};
    const std::vector<RecordFields> eqRecords = {Rec<EqRecord>({2, 0, 0, 1000, 2.5, -3.5}),
                                                 Rec<EqRecord>({2, 0, 1, 100, 1.05, 6.5})};
    std::vector<uint8_t> erased(17, 0xFF);
    erased[0] = 1;
    std::vector<uint8_t> oddName(17);
    oddName[0] = 10;
    for (size_t i = 1; i < 17; ++i) {
        oddName[i] = static_cast<uint8_t>('A' + 2 * (i - 1));  // every byte odd ...
    }
    oddName[16] = 'B';  // ... but one: a real name
    std::vector<double> oddFields = {0, 9};
    oddFields.insert(oddFields.end(), oddName.begin() + 1, oddName.end());
    auto irc = [](ReplyCase c) { return c.To(ReplyTargetId::Calibration, WM_READ_IRC_VALUE); };
    auto mustHandshake = [](const FakeContext& c) {
        EXPECT_TRUE(c.state.mcu_is_normal_mode);
        EXPECT_EQ(c.state.deviceModel, 78);
    };

    std::vector<ReplyCase> cases = {
        // DSP values in lParam; 0x02, 0x03 and 0x26 are signed.
        Row("source switch", CMD_DSP, DSP_SOURCE_SWITCH, {0x53}).Values({0x53}),
        Row("main volume F6 is -10", CMD_DSP, DSP_VOLUME, {0xF6}).Values({-10}),
        Row("subwoofer volume", CMD_DSP, DSP_SUBWOOFER_VOLUME, {0xFB}).Values({-5}),
        Row("mute", CMD_DSP, DSP_MUTE, {0x01}).Values({1}),
        Row("input threshold", CMD_DSP, DSP_INPUT_THRESHOLD, {0xE2}).Values({-30}),
        Row("remote channel u16", CMD_DSP, DSP_SEL_REMOTE_CH, {1, 2}).Values({0x0102}),

        // DSP records, one per channel or band unless the reply is one record.
        Row("filter per channel", CMD_DSP, DSP_FILTER_SET,
            {1, 0, 2, 3, 1, 0, 0x50, 3, 2, 0x1F, 0x40, 4, 0, 0x01, 0xF4, 8, 3, 0x4E, 0x20, 1})
            .Records({Rec<FilterRecord>({1, 2, 1, 80, 3, 2, 8000, 4}),
                      Rec<FilterRecord>({1, 3, 0, 500, 8, 3, 20000, 1})}),
        Row("eq channel 0 bands 0..1", CMD_DSP, DSP_EQ_CH, eq).Records(eqRecords),
        Row("input eq", CMD_DSP, DSP_INPUT_EQ_CH, eq).Records(eqRecords),
        Row("delay 01 00 FA is 1.25 ms", CMD_DSP, DSP_DELAY_CH, {0, 0, 0, 1, 1, 0, 0xFA, 0, 0, 0})
            .Records({Rec<DelayRecord>({0, 0, 1.25}), Rec<DelayRecord>({0, 1})}),
        Row("trim signed", CMD_DSP, DSP_TRIM_CH, {0, 0, 4, 5, 0xFA, 0x00})
            .Records({Rec<TrimRecord>({0, 4, -6}), Rec<TrimRecord>({0, 5})}),
        Row("phase", CMD_DSP, DSP_PHASE_CH, {0, 0, 6, 6, 1}).Records({Rec<PhaseRecord>({0, 6, 1})}),
        Row("mix masks u16 with 12 inputs", CMD_DSP, DSP_MIX_CH, {0, 3, 0, 1, 2, 1, 0, 0xFF})
            .Records({Rec<MixRecord>({0, 3, 0, 0x0201}), Rec<MixRecord>({0, 3, 1, 0xFF})}),
        Row("mix masks bytes below 9 inputs", CMD_DSP, DSP_MIX_CH, {0, 3, 0, 1, 5, 6})
            .Records({Rec<MixRecord>({0, 3, 0, 5}), Rec<MixRecord>({0, 3, 1, 6})})
            .Setup([](FakeContext& c) { c.state.inputCount = 8; }),
        Row("lock", CMD_DSP, DSP_CH_LOCK, {2, 1}).Records({Rec<LockRecord>({2, 1})}),
        Row("input mix trims from the first output", CMD_DSP, DSP_INPUT_MIX_CH_TRIM,
            {0, 1, 2, 4, 6, 0xF6, 0x00, 0x05})
            .Records({Rec<InputMixTrimRecord>({0, 1, 2, 4, 6, 0xF6, 0, 5})}),
        Row("input noise to the noise window", CMD_DSP, DSP_INPUT_NOISE, {2, 3, 80, 5, 100, 3})
            .Records({Rec<InputNoiseRecord>({2, 3, 0, 0, -19.5, 0.3})})
            .To(ReplyTargetId::Noise),
        Row("input noise to main when redirected", CMD_DSP, DSP_INPUT_NOISE, {0, 0, 60, 0})
            .Records({Rec<InputNoiseRecord>({0, 0, -40})})
            .Setup([](FakeContext& c) { c.state.noiseToMain = true; }),
        Row("speaker configuration", CMD_DSP, DSP_SPK_CH_CONFIG, {0x21})
            .Records({Rec<SpeakerConfigRecord>({0x21})}),
        Row("compressor", CMD_DSP, DSP_COMPRESSOR_SETTING,
            {0, 0, 1, 1, 1, 60, 5, 4, 0, 2, 5, 0x00, 0x14, 0x01, 0xF4})
            .Records({Rec<CompressorRecord>({0, 1, 1, -39.5, 4.0, 20, 500, 2.5})}),
        Row("memory word", CMD_DSP, DSP_MEM_DATA, {0x34, 0x12, 0, 0, 1, 0, 0, 0})
            .Records({Rec<MemDataRecord>({0x34, 0x12, 0, 0, 1})})
            .To(ReplyTargetId::Memory, WM_READ_MEM_VALUE),
        Row("speaker distances", CMD_DSP, DSP_SPK_DIST, {0, 0, 0, 1, 0x01, 0x2C, 0x00, 0x96})
            .Records({Rec<SpeakerDistanceRecord>({0, 0, 0, 1, 300, 150})}),
        Row("remote outputs", CMD_DSP, DSP_REM_OUT, {1, 2}).Records({Rec<RemOutRecord>({1, 2})}),
        Row("cross source mix", CMD_DSP, DSP_CROSS_SOURCE_MIX, {0, 1, 2, 0x53, 3, 0x24})
            .Records({Rec<CrossSourceMixRecord>({0, 1, 2, 0x53, 3, 0x24})}),
        Row("compressor 2", CMD_DSP, DSP_COMPRESSOR_SETTING2, {0, 0, 7, 7, 0xF4, 0xFB, 0, 20, 1, 2})
            .Records({Rec<Compressor2Record>({0, 7, 0, -12.5, 0, 20, 1200})}),
        Row("output bridge", CMD_DSP, DSP_OUPUT_BRIDGE, {0, 1, 3, 1, 0, 1})
            .Records({Rec<BridgeRecord>({0, 1, 3, 1, 0, 1})}),
        Row("cs47048 in the 0x47 order", CMD_DSP, DSP_CROSS_SOURCE_MIX_CS47048, {0, 1, 0x53, 2, 5})
            .Records({Rec<CrossSourceMixRecord>({0, 1, 5, 0x53, 2})}),
        Row("source config is logged only", CMD_DSP, DSP_SOURCE_CONFIG, {2, 0x51, 0x52}),
        Row("eq reset is logged only", CMD_DSP, DSP_EQ_RESET, {0}),

        // Calibration.
        irc(Row("irc status 11 reason 2", CMD_DSP, DSP_IRC_CTRL, {11, 9, 9, 40, 2})
                .Values({2})
                .WParam(11)),
        irc(Row("irc status with progress", CMD_DSP, DSP_IRC_CTRL, {3, 9, 9, 40, 0})
                .Values({40})
                .WParam(3)),
        irc(Row("irc rta update carries byte 1", CMD_DSP, DSP_IRC_CTRL, {7, 9, 8, 40, 0})
                .Values({9})
                .WParam(7)),
        irc(Row("irc eq update carries byte 1", CMD_DSP, DSP_IRC_CTRL, {8, 4, 8, 40, 0})
                .Values({4})
                .WParam(8)),
        irc(Row("irc exit", CMD_DSP, DSP_IRC_CTRL, {12, 0, 0, 100, 0}).Values({100}).WParam(12)),
        Row("irc status 11 reason 6", CMD_DSP, DSP_IRC_CTRL, {11, 0, 0, 0, 6}),
        Row("irc status 13", CMD_DSP, DSP_IRC_CTRL, {13, 0, 0, 0, 0}),
        irc(Row("irc distances", CMD_DSP, DSP_IRC_DISTANCE, {0, 1, 1, 50, 2, 5})
                .Records({Rec<IrcDistanceRecord>({0, 1.5}), Rec<IrcDistanceRecord>({1, 2.05})})),
        irc(Row("irc trims signed", CMD_DSP, DSP_IRC_TRIM, {2, 3, 0xFD, 0x03})
                .Records({Rec<IrcTrimRecord>({2, -3}), Rec<IrcTrimRecord>({3, 3})})),
        irc(Row("irc eq", CMD_DSP, DSP_IRC_EQ, {4, 5, 5, 0x03, 0xE8, 0x02, 0x32, 0x0E, 0x05})
                .Records({Rec<IrcEqRecord>({4, 5, 1000, 2.5, -3.5})})),
        irc(Row("irc spectrum, signed hundredths", CMD_DSP, DSP_IRC_SPECTRUM,
                {5, 2, 3, 0x03, 0xE8, 25, 0xFD, 0xCE, 0x00, 0x50, 0, 2, 10})
                .Records({Rec<IrcSpectrumRecord>({5, 2, 1000.25, -3.5}),
                          Rec<IrcSpectrumRecord>({5, 3, 80, 2.1})})),

        // MCU.
        Row("handshake model 78 versions 3 and 1", CMD_MCU, MCU_HANDSHAKE, {0x00, 78, 3, 1})
            .Records({Rec<McuHandshakeInfo>({0, 78, 3, 1})})
            .Check(mustHandshake),
        Row("handshake status F0", CMD_MCU, MCU_HANDSHAKE, {0xF0, 78, 3, 1})
            .Values({0})
            .To(ReplyTargetId::Main, WM_DEVICE_ABNORMAL)
            .WParam(0)
            .Setup([](FakeContext& c) {
                c.state.mcu_is_normal_mode = true;
                c.state.deviceModel = 12;
            })
            .Check([](const FakeContext& c) {
                EXPECT_FALSE(c.state.mcu_is_normal_mode);
                EXPECT_EQ(c.state.deviceModel, 12);
            }),
        Row("ping", CMD_MCU, MCU_PING, {})
            .Values({0})
            .Setup([](FakeContext& c) { c.state.mcu_is_normal_mode = true; })
            .Check([](const FakeContext& c) { EXPECT_FALSE(c.state.mcu_is_normal_mode); }),
        Row("dsp flash version", CMD_MCU, MCU_GET_DSPFLASH_VER, {16, 24, 0, 1})
            .Records({Rec<DspFlashVersion>({0, 0, 0, 0, 16, 24, 0, 1})}),
        Row("power-off time u16", CMD_MCU, MCU_POWER_OFF_TIME, {0x05, 0xDC}).Values({1500}),
        Row("acc signed", CMD_MCU, MCU_ACC, {0xFB}).Values({-5}),
        Row("password and remark", CMD_MCU, MCU_DEVICE_PASSWORD,
            {4, 'a', 'b', 'c', 'd', 2, 'x', 'y'})
            .Records({Rec<DevicePasswordRecord>(
                {4, 'a', 'b', 'c', 'd', 0, 0, 0, 0, 0, 0, 0, 0, 2, 'x', 'y'})}),
        Row("identifier", CMD_MCU, MCU_DEVICE_ID, {3, 7, 8, 9})
            .Records({Rec<DeviceIdRecord>({3, 7, 8, 9})}),
        Row("bootloader version is stored", CMD_MCU, MCU_BOOTLOADER_VER, {5})
            .Check([](const FakeContext& c) { EXPECT_EQ(c.state.bootloaderVersion, 5); }),

        // Flash.
        Row("save acknowledged", CMD_FLASH, FLASH_SCENE_SAVE, {0x0A, 3})
            .Values({0})
            .Op(OP_ACK)
            .To(ReplyTargetId::Scene)
            .WParam(3),
        Row("delete acknowledged", CMD_FLASH, FLASH_SCENE_DELETE, {0x0A, 4})
            .Values({0})
            .Op(OP_ACK)
            .To(ReplyTargetId::Scene, WM_SCENE_DELETED)
            .WParam(4),
        Row("save not ready", CMD_FLASH, FLASH_SCENE_SAVE, {0x60, 3}).Op(OP_ACK),
        Row("delete refused", CMD_FLASH, FLASH_SCENE_DELETE, {0x0B, 4}).Op(OP_ACK),
        Row("erased scene 0 name is empty", CMD_FLASH, FLASH_SCENE_NAME, erased)
            .Records({Rec<SceneNameRecord>({0, 0})}),
        Row("scene name", CMD_FLASH, FLASH_SCENE_NAME, Text({3}, "Club", 16))
            .Records({Rec<SceneNameRecord>({0, 2, 'C', 'l', 'u', 'b'})}),
        Row("scene name with one even byte", CMD_FLASH, FLASH_SCENE_NAME, oddName)
            .Records({Rec<SceneNameRecord>(oddFields)}),
        Row("current scene", CMD_FLASH, FLASH_SCENE_ID, {2})
            .Values({2})
            .To(ReplyTargetId::Scene, WM_READ_SENCE_VALUE),
        Row("valid scene mask", CMD_FLASH, FLASH_SCENE_VALID, {0x03, 0xFF})
            .Records({Rec<SceneMaskRecord>({0x03FF})}),

        // KTV.
        Row("ktv echo delay u16", CMD_KTV, KTV_ECHO_DELAY, {0x01, 0x2C}).Values({300}),
        Row("ktv bass gain signed", CMD_KTV, KTV_BASS_GAIN, {0xFA}).Values({-6}),
        Row("ktv treble gain signed", CMD_KTV, KTV_TREBLE_GAIN, {0xFD}).Values({-3}),
    };

    // Rows that differ only in their code.
    for (uint8_t code :
         {DSP_FACTORY_PRESET, DSP_SETUP_MODE, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, DSP_AMP_MUTE,
          DSP_MIX_SOURCE_SWITCH, DSP_DSP_STATUS, DSP_SPK_OHM, DSP_NOISE_GATE}) {
        // 0xC8 reads as -56 when taken as signed.
        cases.push_back(Row(DspSubcmdName(code), CMD_DSP, code, {0xC8}).Values({200}));
    }
    for (uint8_t code :
         {DSP_MUTE_CH, DSP_CH_TYPE, DSP_EQ_BYPASS, DSP_CH_SOLO, DSP_COMPRESSOR_ON_CH}) {
        cases.push_back(Row(DspSubcmdName(code), CMD_DSP, code, {3, 0, 10, 11, 0x01, 0x85})
                            .Records({Rec<ChannelValueRecord>({3, 10, 1}),
                                      Rec<ChannelValueRecord>({3, 11, 0x85})}));
    }
    for (uint8_t code : {DSP_CH_LINK, DSP_CH_TRIM_LINK, DSP_CH_DELAY_LINK}) {
        cases.push_back(Row(DspSubcmdName(code), CMD_DSP, code, {1, 1, 0x01, 0x23, 0x45, 4, 5, 6})
                            .Records({Rec<LinkRecord>({1, 1, 0x01, 0x23, 0x45, 4, 5, 6})}));
    }
    for (uint8_t code : {DSP_INPUT_TRIM_CH, DSP_INPUT_CH_MUTE, DSP_INPUT_CH_PHASE}) {
        cases.push_back(
            Row(DspSubcmdName(code), CMD_DSP, code, {0, 2, 3, 5, 0x0A, 0x0B, 0xFC})
                .Records({Rec<InputValuesRecord>({0, 2, 3, 5, 0, 0, 0, 10, 11, 0xFC})}));
    }
    for (uint8_t code : {DSP_MIX_TYPE, DSP_MIX_TYPE2}) {
        cases.push_back(Row(DspSubcmdName(code), CMD_DSP, code, {1, 2, 3})
                            .Records({Rec<MixTypeRecord>({1, 2, 3})}));
    }
    for (uint8_t code : {DSP_HPF_Q_FACT_MODE, DSP_LPF_Q_FACT_MODE}) {
        cases.push_back(Row(DspSubcmdName(code), CMD_DSP, code, {0, 0, 1, 2, 7, 9})
                            .Records({Rec<QFactorModeRecord>({0, 0, 1, 2, 0, 7, 9})}));
    }
    for (uint8_t code : {DSP_INPUT_CH_DISTORT, DSP_OUTPUT_CH_DISTORT}) {
        // No scene on the wire; the record's scene stays 0.
        cases.push_back(Row(DspSubcmdName(code), CMD_DSP, code, {3, 0, 1, 1, 2})
                            .Records({Rec<DistortRecord>({0, 3, 0, 1, 1, 2})}));
    }
    for (uint8_t code :
         {DSP_IRC_SPK_SIZE, DSP_IRC_SPK_PHASE, DSP_IRC_SPK_LEVEL, DSP_IRC_NOISE_LEVEL}) {
        cases.push_back(irc(Row(DspSubcmdName(code), CMD_DSP, code, {9, 9, 0xC7})
                                .Records({Rec<IrcChannelValueRecord>({9, 0xC7})})));
    }
    for (uint8_t code : {KTV_MIC_VOL, KTV_MUSIC_VOL, KTV_HOWLING, KTV_ECHO_LEVEL, KTV_REVERB_LEVEL,
                         KTV_REVERB_TIME, KTV_VOICE_CHANGER}) {
        // Bytes 1 and 2 are only logged.
        cases.push_back(
            Row("ktv " + std::to_string(code), CMD_KTV, code, {0xC8, 1, 2}).Values({200}));
    }

    // Codes that post nothing, known or not.
    const std::pair<uint8_t, std::vector<int>> silent[] = {
        {CMD_DSP,
         {0x0C, 0x10, 0x1C, 0x1D, 0x1E, 0x1F, 0x25, 0x28, 0x29, 0x33, 0x3C, 0x3D, 0x48, 0x4F, 0x82,
          0x84, 0xFF}},
        {CMD_MCU,
         {0x05, 0x06, 0x07, 0x0A, 0x1F, 0x8F, 0x90, 0x60, 0x01, 0x02, 0x03, 0x04, 0xA0, 0xA1, 0xA2,
          0xA3, 0x00, 0x42, 0xFF}},
        {CMD_FLASH, {0x09, 0x02, 0x03, 0x04, 0x05, 0x01, 0x10, 0xFF}},
        {CMD_KTV, {0x00, 0x0B, 0xFF}},
    };
    for (const auto& [type, codes] : silent) {
        for (int code : codes) {
            cases.push_back(Row("silent " + std::to_string(type) + "/" + std::to_string(code), type,
                                static_cast<uint8_t>(code), {0x0A, 0, 0, 0, 1}));
        }
    }
    return cases;
}

std::vector<double> Doubles(const std::vector<uint8_t>& bytes) {
    return std::vector<double>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> Fill(std::vector<uint8_t> head, size_t count, uint8_t byte) {
    head.insert(head.end(), count, byte);
    return head;
}

// Bytes counting up from `from`, after a head.
std::vector<uint8_t> Counting(std::vector<uint8_t> head, size_t count, uint8_t from) {
    for (size_t i = 0; i < count; ++i) {
        head.push_back(static_cast<uint8_t>(from + i));
    }
    return head;
}

// Record fields: the head, then values placed from slot `at` of a zeroed array.
std::vector<double> Slots(std::vector<double> head, size_t at, std::vector<double> values) {
    head.insert(head.end(), at, 0);
    head.insert(head.end(), values.begin(), values.end());
    return head;
}

// Untrusted replies: inconsistent ranges, lengths past the payload or past the record arrays,
// heads cut short. Each row says what the decoder must make of it.
std::vector<ReplyCase> BoundaryCases() {
    std::vector<ReplyCase> cases;
    auto row = [&](std::string name, uint8_t type, uint8_t subcmd, std::vector<uint8_t> payload) {
        return Row("bounds: " + name, type, subcmd, std::move(payload));
    };
    const std::pair<uint8_t, std::vector<uint8_t>> reversed[] = {
        {DSP_EQ_CH, {0, 0, 0, 5, 2}},
        {DSP_DELAY_CH, {0, 0, 5, 2}},
        {DSP_FILTER_SET, {0, 0, 1, 0}},
        {DSP_INPUT_TRIM_CH, {0, 0, 5, 2}},
        {DSP_INPUT_NOISE, {5, 2}},
        {DSP_INPUT_MIX_CH_TRIM, {0, 0, 0, 5, 2}},
        {DSP_SPK_DIST, {0, 0, 5, 2}},
        {DSP_HPF_Q_FACT_MODE, {0, 0, 5, 2}},
        {DSP_OUTPUT_CH_DISTORT, {0, 5, 2}},
        {DSP_IRC_DISTANCE, {5, 2}},
        {DSP_IRC_EQ, {0, 5, 2}},
        {DSP_IRC_SPECTRUM, {0, 5, 2}},
    };
    for (const auto& [code, head] : reversed) {
        cases.push_back(
            row("first above last " + DspSubcmdName(code), CMD_DSP, code, Fill(head, 24, 0x11)));
    }
    const std::pair<uint8_t, std::vector<uint8_t>> noSlot[] = {
        {DSP_INPUT_CH_PHASE, {0, 0, 16, 20, 1, 1, 1, 1, 1}},
        {DSP_INPUT_NOISE, {200, 201, 1, 1}},
        {DSP_SPK_DIST, {0, 0, 16, 16, 1, 1}},
        {DSP_LPF_Q_FACT_MODE, {0, 0, 255, 255, 1}},
        {DSP_INPUT_CH_DISTORT, {0, 16, 17, 1, 1}},
    };
    for (const auto& [code, payload] : noSlot) {
        cases.push_back(row("no slot above 15 " + DspSubcmdName(code), CMD_DSP, code, payload));
    }

    // Per-item replies: only the whole items that arrived.
    cases.push_back(row("eq bands 0..255, two and a half present", CMD_DSP, DSP_EQ_CH,
                        Fill({0, 0, 1, 0, 255}, 15, 5))
                        .Records({Rec<EqRecord>({0, 1, 0, 0x505, 5.05, -12.5}),
                                  Rec<EqRecord>({0, 1, 1, 0x505, 5.05, -12.5})}));
    cases.push_back(row("filters 0..11, one and a bit present", CMD_DSP, DSP_FILTER_SET,
                        Fill({0, 0, 0, 11}, 15, 1))
                        .Records({Rec<FilterRecord>({0, 0, 1, 0x101, 1, 1, 0x101, 1})}));
    cases.push_back(row("delay item cut short", CMD_DSP, DSP_DELAY_CH, Fill({0, 0, 0, 11}, 2, 1)));
    cases.push_back(
        row("spectrum 0..40, three present", CMD_DSP, DSP_IRC_SPECTRUM, Fill({0, 0, 40}, 19, 1))
            .Records({Rec<IrcSpectrumRecord>({0, 0, 257.01, 1.01}),
                      Rec<IrcSpectrumRecord>({0, 1, 257.01, 1.01}),
                      Rec<IrcSpectrumRecord>({0, 2, 257.01, 1.01})})
            .To(ReplyTargetId::Calibration, WM_READ_IRC_VALUE));
    {
        // LEN 61, the largest frame: the EQ head and eight whole bands, five bytes to spare.
        std::vector<RecordFields> bands;
        for (int band = 0; band < 8; ++band) {
            bands.push_back(Rec<EqRecord>({0, 0, static_cast<double>(band), 0x202, 2.02, -15.8}));
        }
        cases.push_back(
            row("largest frame", CMD_DSP, DSP_EQ_CH, Fill({0, 0, 0, 0, 30}, 53, 2)).Records(bands));
    }

    // Indexed records: slots 0..15 only, and last says which were filled.
    cases.push_back(
        row("inputs 14..20", CMD_DSP, DSP_INPUT_CH_MUTE, Fill({0, 1, 14, 20, 7, 8}, 5, 9))
            .Records({Rec<InputValuesRecord>(Slots({0, 1, 14, 15}, 14, {7, 8}))}));
    cases.push_back(row("inputs 2..9, two present", CMD_DSP, DSP_INPUT_TRIM_CH, {0, 1, 2, 9, 7, 8})
                        .Records({Rec<InputValuesRecord>(Slots({0, 1, 2, 3}, 2, {7, 8}))}));
    cases.push_back(row("noise 15..40", CMD_DSP, DSP_INPUT_NOISE, Fill({15, 40}, 52, 100))
                        .Records({Rec<InputNoiseRecord>(Slots({15, 15}, 15, {10}))})
                        .To(ReplyTargetId::Noise));
    cases.push_back(row("distances 10..30", CMD_DSP, DSP_SPK_DIST, Fill({0, 0, 10, 30}, 40, 1))
                        .Records({Rec<SpeakerDistanceRecord>(
                            Slots({0, 0, 10, 15}, 10, {257, 257, 257, 257, 257, 257}))}));
    cases.push_back(
        row("mix trims 0..40", CMD_DSP, DSP_INPUT_MIX_CH_TRIM, Counting({0, 0, 1, 0, 40}, 53, 1))
            .Records({Rec<InputMixTrimRecord>(Slots(
                {0, 0, 1, 0, 15}, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}))}));
    cases.push_back(
        row("mix trims 3..11, two present", CMD_DSP, DSP_INPUT_MIX_CH_TRIM, {0, 0, 1, 3, 11, 5, 6})
            .Records({Rec<InputMixTrimRecord>({0, 0, 1, 3, 4, 5, 6})}));

    // Counts and lengths: never more than the record holds or the payload brought.
    cases.push_back(
        row("bridge count 40, 20 flags", CMD_DSP, DSP_OUPUT_BRIDGE, Fill({0, 0, 40}, 20, 1))
            .Records({Rec<BridgeRecord>(Doubles(Fill({0, 0, 16}, 16, 1)))}));
    cases.push_back(row("bridge count 5, 2 flags", CMD_DSP, DSP_OUPUT_BRIDGE, {0, 0, 5, 1, 1})
                        .Records({Rec<BridgeRecord>({0, 0, 2, 1, 1})}));
    cases.push_back(row("3 link pairs of 6", CMD_DSP, DSP_CH_LINK, {0, 1, 7, 8, 9})
                        .Records({Rec<LinkRecord>({0, 1, 7, 8, 9})}));
    cases.push_back(row("8 outputs have 4 pairs", CMD_DSP, DSP_CH_LINK, Counting({0, 1}, 8, 1))
                        .Records({Rec<LinkRecord>({0, 1, 1, 2, 3, 4})})
                        .Setup([](FakeContext& c) { c.state.outputCount = 8; }));
    cases.push_back(row("40 outputs, 6 pair slots", CMD_DSP, DSP_CH_DELAY_LINK, Fill({0, 1}, 20, 3))
                        .Records({Rec<LinkRecord>({0, 1, 3, 3, 3, 3, 3, 3})})
                        .Setup([](FakeContext& c) { c.state.outputCount = 40; }));
    // A password running past the payload hides where the remark length is.
    cases.push_back(row("password past the payload", CMD_MCU, MCU_DEVICE_PASSWORD, {200, 1, 2}));
    {
        std::vector<uint8_t> payload = Counting(Counting({14}, 14, 'a'), 1, 30);
        payload = Counting(payload, 25, 'A');
        std::vector<double> fields = Doubles(Counting({12}, 12, 'a'));
        fields.push_back(20);
        const std::vector<double> remark = Doubles(Counting({}, 20, 'A'));
        fields.insert(fields.end(), remark.begin(), remark.end());
        cases.push_back(row("password 14, remark 30", CMD_MCU, MCU_DEVICE_PASSWORD, payload)
                            .Records({Rec<DevicePasswordRecord>(fields)}));
    }
    cases.push_back(row("remark cut short", CMD_MCU, MCU_DEVICE_PASSWORD, {1, 'p', 9, 'r', 's'})
                        .Records({Rec<DevicePasswordRecord>(Slots({1, 'p'}, 11, {2, 'r', 's'}))}));
    cases.push_back(row("identifier 40, 20 present", CMD_MCU, MCU_DEVICE_ID, Fill({40}, 20, 3))
                        .Records({Rec<DeviceIdRecord>(Doubles(Fill({16}, 16, 3)))}));
    cases.push_back(row("identifier 5, 2 present", CMD_MCU, MCU_DEVICE_ID, {5, 1, 2})
                        .Records({Rec<DeviceIdRecord>({2, 1, 2})}));

    // Heads cut short: dropped, the state untouched.
    const std::tuple<uint8_t, uint8_t, std::vector<uint8_t>> shortHeads[] = {
        {CMD_FLASH, FLASH_SCENE_NAME, Fill({1}, 15, 'a')},
        {CMD_FLASH, FLASH_SCENE_NAME, Fill({0}, 16, 'a')},  // would name scene -1
        {CMD_FLASH, FLASH_SCENE_VALID, {0x03}},
        {CMD_MCU, MCU_HANDSHAKE, {0x00, 78}},
        {CMD_MCU, MCU_GET_DSPFLASH_VER, {16, 24, 0}},
        {CMD_MCU, MCU_POWER_OFF_TIME, {5}},
        {CMD_KTV, KTV_ECHO_DELAY, {1}},
        {CMD_DSP, DSP_MEM_DATA, {1, 2, 3, 4, 5, 6, 7}},
        {CMD_DSP, DSP_CROSS_SOURCE_MIX, {1, 2, 3, 4, 5}},
        {CMD_DSP, DSP_CROSS_SOURCE_MIX_CS47048, {1, 2, 3, 4}},
        {CMD_DSP, DSP_MIX_TYPE, {1, 2}},
        {CMD_DSP, DSP_IRC_CTRL, {11, 0, 0, 50}},
        {CMD_DSP, DSP_EQ_CH, {0, 0, 0, 0}},
    };
    for (const auto& [type, code, payload] : shortHeads) {
        cases.push_back(row("short head " + std::to_string(type) + "/" + std::to_string(code), type,
                            code, payload)
                            .Check([](const FakeContext& c) {
                                EXPECT_EQ(c.state.deviceModel, -1);
                                EXPECT_FALSE(c.state.mcu_is_normal_mode);
                            }));
    }
    cases.push_back(row("save ack without scene", CMD_FLASH, FLASH_SCENE_SAVE, {0x0A}).Op(OP_ACK));
    cases.push_back(
        row("bootloader version from an ack", CMD_MCU, MCU_BOOTLOADER_VER, {0x0A})
            .Op(OP_ACK)
            .Check([](const FakeContext& c) { EXPECT_EQ(c.state.bootloaderVersion, 0); }));
    return cases;
}

struct Flat {
    std::vector<double> v;
    template <typename... T>
    void operator()(const T&... xs) {
        (Add(xs), ...);
    }
    template <typename T>
    void Add(const T& x) {
        if constexpr (std::is_arithmetic_v<T>) {
            v.push_back(static_cast<double>(x));
        } else {
            for (const auto& e : x) {
                v.push_back(static_cast<double>(e));
            }
        }
    }
};

template <typename R>
const R* As(const ReplyRecord* record) {
    return dynamic_cast<const R*>(record);
}

bool IndexedRange(int first, int last) {
    return first >= 0 && first <= last && last < kIndexedValues;
}

}  // namespace

const std::vector<ReplyCase>& AllReplyCases() {
    static const std::vector<ReplyCase> cases = [] {
        std::vector<ReplyCase> all = Cases();
        for (ReplyCase& c : BoundaryCases()) {
            all.push_back(std::move(c));
        }
        return all;
    }();
    return cases;
}

RecordFields Flatten(const ReplyRecord& record) {
    const ReplyRecord* r = &record;
    Flat f;
    if (auto* x = As<McuHandshakeInfo>(r)) {
        f(x->reserved, x->model, x->masterVersion, x->slaveVersion);
    } else if (auto* x = As<DspFlashVersion>(r)) {
        f(x->reserved, x->version);
    } else if (auto* x = As<DevicePasswordRecord>(r)) {
        f(x->passwordLength, x->password, x->remarkLength, x->remark);
    } else if (auto* x = As<DeviceIdRecord>(r)) {
        f(x->length, x->bytes);
    } else if (auto* x = As<FilterRecord>(r)) {
        f(x->scene, x->channel, x->hpType, x->hpFreq, x->hpSlope, x->lpType, x->lpFreq, x->lpSlope);
    } else if (auto* x = As<EqRecord>(r)) {
        f(x->scene, x->channel, x->band, x->freq, x->q, x->gain);
    } else if (auto* x = As<DelayRecord>(r)) {
        f(x->scene, x->channel, x->delay);
    } else if (auto* x = As<TrimRecord>(r)) {
        f(x->scene, x->channel, x->trim);
    } else if (auto* x = As<ChannelValueRecord>(r)) {
        f(x->scene, x->channel, x->value);
    } else if (auto* x = As<PhaseRecord>(r)) {
        f(x->scene, x->channel, x->phase);
    } else if (auto* x = As<MixRecord>(r)) {
        f(x->scene, x->source, x->channel, x->mask);
    } else if (auto* x = As<LinkRecord>(r)) {
        f(x->scene, x->link, x->pairs);
    } else if (auto* x = As<LockRecord>(r)) {
        f(x->scene, x->lock);
    } else if (auto* x = As<InputValuesRecord>(r)) {
        f(x->scene, x->source, x->first, x->last, x->values);
    } else if (auto* x = As<InputMixTrimRecord>(r)) {
        f(x->scene, x->source, x->input, x->firstOutput, x->lastOutput, x->trims);
    } else if (auto* x = As<InputNoiseRecord>(r)) {
        f(x->first, x->last, x->levels);
    } else if (auto* x = As<SpeakerConfigRecord>(r)) {
        f(x->config);
    } else if (auto* x = As<MixTypeRecord>(r)) {
        f(x->scene, x->source, x->mixType);
    } else if (auto* x = As<QFactorModeRecord>(r)) {
        f(x->scene, x->source, x->first, x->last, x->modes);
    } else if (auto* x = As<CompressorRecord>(r)) {
        f(x->scene, x->channel, x->bypass, x->noise, x->ratio, x->attack, x->release, x->knee);
    } else if (auto* x = As<DistortRecord>(r)) {
        f(x->scene, x->source, x->first, x->last, x->values);
    } else if (auto* x = As<MemDataRecord>(r)) {
        f(x->bytes);
    } else if (auto* x = As<SpeakerDistanceRecord>(r)) {
        f(x->scene, x->source, x->first, x->last, x->distances);
    } else if (auto* x = As<RemOutRecord>(r)) {
        f(x->rem);
    } else if (auto* x = As<CrossSourceMixRecord>(r)) {
        f(x->bytes);
    } else if (auto* x = As<Compressor2Record>(r)) {
        f(x->scene, x->channel, x->reserved1, x->threshold, x->reserved2, x->attack, x->release,
          x->reserved3);
    } else if (auto* x = As<BridgeRecord>(r)) {
        f(x->scene, x->source, x->count, x->flags);
    } else if (auto* x = As<IrcDistanceRecord>(r)) {
        f(x->channel, x->distance);
    } else if (auto* x = As<IrcEqRecord>(r)) {
        f(x->channel, x->band, x->freq, x->q, x->gain);
    } else if (auto* x = As<IrcSpectrumRecord>(r)) {
        f(x->channel, x->band, x->freq, x->gain);
    } else if (auto* x = As<IrcTrimRecord>(r)) {
        f(x->channel, x->trim);
    } else if (auto* x = As<IrcChannelValueRecord>(r)) {
        f(x->channel, x->value);
    } else if (auto* x = As<SceneNameRecord>(r)) {
        f(x->reserved, x->index, x->name);
    } else if (auto* x = As<SceneMaskRecord>(r)) {
        f(x->mask);
    }
    while (!f.v.empty() && f.v.back() == 0) {
        f.v.pop_back();
    }
    // Floats arrive as float: round to what the tables can state.
    for (double& d : f.v) {
        d = std::round(d * 1e4) / 1e4;
    }
    return RecordFields{typeid(record), std::move(f.v)};
}

std::string RecordViolation(const Posted& post) {
    const ReplyRecord* r = post.record.get();
    std::ostringstream out;
    if (auto* x = As<InputValuesRecord>(r); x && !IndexedRange(x->first, x->last)) {
        out << "input values range " << x->first << ".." << x->last;
    } else if (auto* x = As<InputNoiseRecord>(r); x && !IndexedRange(x->first, x->last)) {
        out << "input noise range " << x->first << ".." << x->last;
    } else if (auto* x = As<QFactorModeRecord>(r); x && !IndexedRange(x->first, x->last)) {
        out << "q mode range " << int{x->first} << ".." << int{x->last};
    } else if (auto* x = As<DistortRecord>(r); x && !IndexedRange(x->first, x->last)) {
        out << "clipping range " << x->first << ".." << x->last;
    } else if (auto* x = As<SpeakerDistanceRecord>(r); x && !IndexedRange(x->first, x->last)) {
        out << "distance range " << int{x->first} << ".." << int{x->last};
    } else if (auto* x = As<InputMixTrimRecord>(r);
               x && !IndexedRange(0, x->lastOutput - x->firstOutput)) {
        out << "mix trim outputs " << x->firstOutput << ".." << x->lastOutput;
    } else if (auto* x = As<BridgeRecord>(r); x && x->count > x->flags.size()) {
        out << "bridge count " << int{x->count};
    } else if (auto* x = As<DevicePasswordRecord>(r);
               x && (x->passwordLength < 0 || x->passwordLength > 12 || x->remarkLength < 0 ||
                     x->remarkLength > 20)) {
        out << "password lengths " << x->passwordLength << ", " << x->remarkLength;
    } else if (auto* x = As<DeviceIdRecord>(r); x && x->length > x->bytes.size()) {
        out << "identifier length " << int{x->length};
    } else if (auto* x = As<SceneNameRecord>(r); x && x->index < 0) {
        out << "scene index " << x->index;
    }
    return out.str();
}

}  // namespace reply_test
