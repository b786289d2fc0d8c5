#pragma once
// Everything the virtual amplifier remembers, in device units: the bytes the program sends,
// kept as they arrived, so that a read returns exactly what was written.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "shell/identity.h"

namespace sim {

constexpr int kOutputs = 12;
constexpr int kSources = 9;
constexpr int kInputs = 12;  // input rows per source
constexpr int kBands = 31;
constexpr int kStoredScenes = 10;
constexpr int kScenes = kStoredScenes + 1;  // 0 is the live set
constexpr int kPairs = kOutputs / 2;
constexpr int kNameSize = 16;
constexpr int kKtvValues = 10;
constexpr int kAutoSettingSize = 52;
constexpr int kIrcEqBands = 11;
constexpr int kIrcSpectrumPoints = 121;

constexpr uint8_t kFirstSourceCode = 0x51;
// Main volume is written as this minus the volume in dB.
constexpr int kMainVolumeOffset = 6;
constexpr uint8_t kNoViceSource = kFirstSourceCode + kSources;  // "none" in the cross-source mix
constexpr uint8_t kStatusAbnormal = 0xF0;
constexpr uint8_t kLeaveSceneAlone = 0xFF;  // ReadScene target that copies nothing

// A crossover side: filter type, corner frequency in Hz, slope code (0 = off).
struct FilterSide {
    uint8_t type = 1;
    uint16_t freq = 20;
    uint8_t slope = 0;
    bool operator==(const FilterSide&) const = default;
};

// Q and gain are the tenths pairs as sent: Q, and gain + 18 dB.
struct EqBand {
    uint16_t freq = 1000;
    std::array<uint8_t, 2> q{5, 8};
    std::array<uint8_t, 2> gain{18, 0};
    bool operator==(const EqBand&) const = default;
};

struct OutputState {
    FilterSide hp;
    FilterSide lp{1, 20000, 0};
    std::array<EqBand, kBands> bands{};
    std::array<uint8_t, 3> delay{};  // whole ms, then the thousandths as u16
    // Attenuation as written (0 - gain, whole dB); reads report the gain.
    uint8_t trim = 0;
    uint8_t mute = 0;
    uint8_t phase = 0;
    uint8_t solo = 0;
    uint8_t type = 0;  // speaker type code
    uint8_t eqBypass = 1;
    uint8_t compressorOn = 1;
    // Compressor_Ctrl after its channel byte: bypass, noise + 100, ratio, knee (tenths pairs),
    // attack u16, release u16.
    std::array<uint8_t, 11> compressor{};
    // Compressor_Ctrl2: threshold signed tenths pair, attack u16, release seconds signed tenths.
    std::array<uint8_t, 6> compressor2{};
    bool operator==(const OutputState&) const = default;
};

// The cross-source mix of one input row: the source code mixed in, its channel, its gain + 32.
struct CrossMix {
    uint8_t source = kNoViceSource;
    uint8_t channel = 0;
    uint8_t gain = 32;
    bool operator==(const CrossMix&) const = default;
};

// Routing of one input source within a scene.
struct SourceState {
    std::array<uint16_t, kOutputs> mixMask{};                      // per output
    std::array<std::array<uint8_t, kOutputs>, kInputs> mixTrim{};  // [input][output]
    std::array<uint8_t, kInputs> inputPhase{};
    std::array<CrossMix, kInputs> cross{};
    bool operator==(const SourceState&) const = default;
};

// Everything a scene holds: the values whose commands carry a scene number.
struct SceneState {
    std::array<OutputState, kOutputs> outputs{};
    std::array<SourceState, kSources> sources{};
    uint8_t link = 0;
    std::array<uint8_t, kPairs> linkPairs{};  // 1 = outputs 2k and 2k+1 are linked
    uint8_t lock = 0;
    std::array<uint8_t, kPairs> bridge{};
    bool operator==(const SceneState&) const = default;
};

struct IrcEqBand {
    uint16_t freq = 1000;
    uint16_t q = 141;  // hundredths
    std::array<uint8_t, 2> gain{18, 0};
    bool operator==(const IrcEqBand&) const = default;
};

using ChannelBands = std::array<IrcEqBand, kIrcEqBands>;

struct SpectrumPoint {
    uint32_t freq = 0;  // hundredths of a Hz
    int16_t gain = 0;   // hundredths of a dB
    bool operator==(const SpectrumPoint&) const = default;
};

// One answer to IRC_Get: status code, a detail byte (the channel for codes 7 and 8),
// progress in percent, failure reason (code 11).
struct CalibrationStep {
    uint8_t code = 0;
    uint8_t detail = 0;
    uint8_t progress = 0;
    uint8_t reason = 0;
    bool operator==(const CalibrationStep&) const = default;
};

// The correction of one output in the amplifier's own calibration block, apart from the scenes.
struct KeptCorrection {
    ChannelBands bands{};
    bool on = false;  // applied from a completed run
    bool operator==(const KeptCorrection&) const = default;
};

constexpr uint8_t IRC_RET_TEST_DONE = 10;
constexpr uint8_t IRC_RET_TEST_FAIL = 11;
constexpr uint8_t IRC_RET_TEST_EXIT = 12;

struct CalibrationState {
    uint8_t testModule = 0;
    uint8_t bypassSelector = 0;
    uint8_t bypass = 0;
    uint8_t lastAction = 0;  // IRC_Ctrl: 0 stop, 1 start, 2 apply, 3 discard
    uint16_t channelMask = 0;
    uint8_t eqMode = 0;
    bool running = false;
    std::vector<CalibrationStep> script;
    size_t position = 0;
    int failAtStep = -1;  // index into the script where the run fails, -1 = never
    uint8_t failReason = 0;
    std::array<uint16_t, kOutputs> distance{};  // hundredths
    // The last run's measurement and computed correction; zeros for outputs it left out.
    std::array<ChannelBands, kOutputs> eq{};
    std::array<std::array<SpectrumPoint, kIrcSpectrumPoints>, kOutputs> spectrum{};
    bool resultPending = false;  // a run reported done; its eq waits for apply or discard
    std::array<KeptCorrection, kOutputs> active{};
    bool operator==(const CalibrationState&) const = default;
};

struct DeviceState {
    // Identity, as the handshake reports it.
    uint8_t handshakeStatus = 0x00;
    uint8_t model = shell::kModelId;
    // The firmware the program carries, so that no update is offered.
    uint8_t masterVersion = shell::kBuiltInFirmwareMajor;
    uint8_t slaveVersion = shell::kBuiltInFirmwareMinor;
    std::array<uint8_t, 4> dspFlashVersion{1, 0, 0, 0};
    uint8_t bootloaderVersion = 1;
    uint8_t pcAttached = 0;
    // Whether each stored image is whole. An upgrade erases its image first, so one stopped
    // half-way leaves it broken, and the MCU then restarts into its loader.
    bool mcuImageIntact = true;
    bool flashImageIntact = true;
    bool bootloaderIntact = true;

    // Settings without a scene.
    uint8_t source = kFirstSourceCode;
    // As written (6 - volume); reads report the volume in signed dB. 6 is 0 dB.
    uint8_t mainVolume = 6;
    uint8_t subVolume = 0;  // signed byte
    uint8_t mute = 0;
    uint8_t ampMute = 0;
    uint8_t remOut1 = 1;
    uint8_t remOut2 = 1;
    uint8_t spkOhm = 1;
    uint8_t noiseGate = 0;
    uint8_t autoEffectSelector = 0;
    uint8_t autoEffect = 0;
    uint8_t dspStatus = 1;
    uint8_t speakerConfig = 0;
    uint8_t inputThreshold = static_cast<uint8_t>(-60);  // signed byte, dB
    uint8_t acc = 0;
    uint16_t powerOffTime = 0;  // ms
    std::array<uint8_t, kAutoSettingSize> autoSetting{};
    std::array<uint16_t, kKtvValues> ktv{};  // by KTV subcmd - 1; only echo delay uses 16 bits

    // Scenes: 0 live, 1..10 in flash.
    std::array<SceneState, kScenes> scenes{};
    std::array<std::array<uint8_t, kNameSize>, kStoredScenes> names{};  // 0xFF = never named
    uint16_t validMask = 0;  // bit k: scene k + 1 holds data
    uint8_t currentScene = 0;

    // Meters and service data.
    std::array<std::array<uint8_t, 2>, kInputs> inputNoise{};  // dB + 100, then tenths
    std::array<std::array<uint8_t, kInputs>, kSources> inputClip{};
    std::array<std::array<uint8_t, kOutputs>, kSources> outputClip{};
    std::map<uint32_t, uint32_t> memory;  // DSP memory words; absent words read 0

    CalibrationState calibration;
    bool operator==(const DeviceState&) const = default;
};

// Defaults of a fresh amplifier (and after a factory reset).
SceneState DefaultScene();
DeviceState DefaultDeviceState();

// Speaker types of the outputs of a fresh amplifier, and each type's crossover.
extern const std::array<uint8_t, kOutputs> kDefaultSpeakerTypes;
void DefaultCrossover(uint8_t speakerType, FilterSide& hp, FilterSide& lp);
// Band `index` back to its ISO frequency, Q 5.8, gain 0 dB.
void ResetEqBand(EqBand& band, int index);
// The default input masks of source s for the 12 outputs.
std::array<uint16_t, kOutputs> DefaultMixMasks(int source);
// Input noise in dB as the two bytes of the noise reply.
std::array<uint8_t, 2> EncodeNoiseLevel(float dB);

}  // namespace sim
