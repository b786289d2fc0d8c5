#pragma once
// Records behind a reply's lParam. Fields are zero unless the reply filled them.

#include <array>
#include <cstdint>

#include "link/reply_target.h"

namespace dsplink {

// Per-range records index their values by channel or input number.
constexpr int kIndexedValues = 16;

// MCU replies.
struct McuHandshakeInfo : ReplyRecord {
    int32_t reserved = 0;
    int32_t model = 0;
    int32_t masterVersion = 0;
    int32_t slaveVersion = 0;
};

struct DspFlashVersion : ReplyRecord {
    std::array<int32_t, 4> reserved{};
    std::array<int32_t, 4> version{};  // version bytes 0 to 3
};

struct DevicePasswordRecord : ReplyRecord {
    int32_t passwordLength = 0;
    std::array<uint8_t, 12> password{};
    int32_t remarkLength = 0;
    std::array<uint8_t, 20> remark{};
};

struct DeviceIdRecord : ReplyRecord {
    uint8_t length = 0;
    std::array<uint8_t, 16> bytes{};
};

// DSP replies.
struct FilterRecord : ReplyRecord {
    int32_t scene = 0, channel = 0;
    int32_t hpType = 0, hpFreq = 0, hpSlope = 0;
    int32_t lpType = 0, lpFreq = 0, lpSlope = 0;
};

struct EqRecord : ReplyRecord {
    int32_t scene = 0, channel = 0, band = 0, freq = 0;
    float q = 0, gain = 0;
};

struct DelayRecord : ReplyRecord {
    int32_t scene = 0, channel = 0;
    float delay = 0;  // ms
};

struct TrimRecord : ReplyRecord {
    int32_t scene = 0, channel = 0;
    float trim = 0;  // dB
};

// Mute, speaker type, EQ bypass, solo, compressor on.
struct ChannelValueRecord : ReplyRecord {
    int32_t scene = 0, channel = 0, value = 0;
};

struct PhaseRecord : ReplyRecord {
    int32_t scene = 0, channel = 0;
    uint8_t phase = 0;
};

struct MixRecord : ReplyRecord {
    int32_t scene = 0, source = 0, channel = 0, mask = 0;
};

// Channel link, trim link, delay link: one byte per output pair.
struct LinkRecord : ReplyRecord {
    int32_t scene = 0, link = 0;
    std::array<uint8_t, 6> pairs{};
};

struct LockRecord : ReplyRecord {
    int32_t scene = 0, lock = 0;
};

// Input trim, mute, phase.
struct InputValuesRecord : ReplyRecord {
    int32_t scene = 0, source = 0, first = 0, last = 0;
    std::array<uint8_t, kIndexedValues> values{};
};

struct InputMixTrimRecord : ReplyRecord {
    int32_t scene = 0, source = 0, input = 0, firstOutput = 0, lastOutput = 0;
    std::array<uint8_t, kIndexedValues> trims{};  // in order from firstOutput
};

struct InputNoiseRecord : ReplyRecord {
    int32_t first = 0, last = 0;
    std::array<float, kIndexedValues> levels{};  // dB, by input number
};

struct SpeakerConfigRecord : ReplyRecord {
    int32_t config = 0;
};

struct MixTypeRecord : ReplyRecord {
    int32_t scene = 0, source = 0, mixType = 0;
};

struct QFactorModeRecord : ReplyRecord {
    uint8_t scene = 0, source = 0, first = 0, last = 0;
    std::array<uint8_t, kIndexedValues> modes{};
};

struct CompressorRecord : ReplyRecord {
    int32_t scene = 0, channel = 0, bypass = 0;
    float noise = 0, ratio = 0;
    int32_t attack = 0, release = 0;
    float knee = 0;
};

// Input clipping has no scene; output clipping carries 0 there.
struct DistortRecord : ReplyRecord {
    int32_t scene = 0, source = 0, first = 0, last = 0;
    std::array<uint8_t, kIndexedValues> values{};
};

struct MemDataRecord : ReplyRecord {
    std::array<uint8_t, 8> bytes{};  // address and data, little-endian
};

struct SpeakerDistanceRecord : ReplyRecord {
    uint8_t scene = 0, source = 0, first = 0, last = 0;
    std::array<uint16_t, kIndexedValues> distances{};  // hundredths, by channel
};

struct RemOutRecord : ReplyRecord {
    std::array<uint8_t, 2> rem{};
};

// scene, source, channel, second source, second channel, second gain.
struct CrossSourceMixRecord : ReplyRecord {
    std::array<uint8_t, 6> bytes{};
};

struct Compressor2Record : ReplyRecord {
    int32_t scene = 0, channel = 0, reserved1 = 0;
    float threshold = 0;
    int32_t reserved2 = 0, attack = 0, release = 0, reserved3 = 0;  // ms
};

struct BridgeRecord : ReplyRecord {
    uint8_t scene = 0, source = 0, count = 0;
    std::array<uint8_t, kIndexedValues> flags{};
};

// Calibration replies.
struct IrcDistanceRecord : ReplyRecord {
    int32_t channel = 0;
    float distance = 0;
};

struct IrcEqRecord : ReplyRecord {
    int32_t channel = 0, band = 0, freq = 0;
    float q = 0, gain = 0;
};

struct IrcSpectrumRecord : ReplyRecord {
    int32_t channel = 0, band = 0;
    float freq = 0, gain = 0;
};

struct IrcTrimRecord : ReplyRecord {
    int32_t channel = 0;
    float trim = 0;
};

// Speaker size, phase, level, noise level.
struct IrcChannelValueRecord : ReplyRecord {
    int32_t channel = 0, value = 0;
};

// Flash replies.
struct SceneNameRecord : ReplyRecord {
    int32_t reserved = 0;
    int32_t index = 0;
    std::array<uint8_t, 16> name{};  // not terminated when all 16 are used
};

struct SceneMaskRecord : ReplyRecord {
    int32_t mask = 0;
};

}  // namespace dsplink
