#pragma once
// One complete set of sound settings (the live state or a stored scene), held in user units.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/constants.h"
#include "model/crossover.h"
#include "model/sources.h"

namespace model {

struct EqBand {
    float eqGain = 0.0f;
    float eqFactor = 5.8f;
    int freq = 20;
    std::uint8_t enable = 1;

    bool operator==(const EqBand&) const = default;
};

// The bands live in ProfileRecord::bands so that copying a record never leaves a dangling row.
struct OutputChannel {
    int eqSize = MAX_EQ_BANDS;
    float gain = 0.0f;
    int mute = 0;
    float delay = 0.0f;
    int phase = 0;
    int solo = 0;
    std::uint8_t bypass = 1;
    std::uint8_t compressorOn = 1;
    Crossover crossover;

    bool operator==(const OutputChannel&) const = default;
};

struct KtvSettings {
    int ktvHowling = 0;
    int ktvMicVolume = 60;
    int ktvMusicVolume = 60;
    int ktvVoiceChanger = 0;
    int ktvEchoLevel = 0;
    int ktvEchoDelay = 0;
    int ktvReverbLevel = 0;
    int ktvReverbTime = 0;
    int ktvBassGain = 0;
    int ktvTrebleGain = 0;

    bool operator==(const KtvSettings&) const = default;
};

template <typename T>
using PerOutput = std::array<T, OUTPUT_CHANNELS>;
template <typename T>
using PerSourceRow = std::array<std::array<T, INPUT_ROWS>, INPUT_SOURCES>;

struct ProfileRecord {
    // Builds the defaults of a freshly started program.
    ProfileRecord();

    int model = -1;
    int mainVersion = -1;
    int slaveVersion = -1;
    std::array<int, 4> flashVersion{};
    int currentSource = 0;
    int mainVolume = 0;
    int acc = 0;
    int subVolume = 0;
    int sceneArg = 0;
    int mainVolumeMute = 0;
    int ampOn = 1;
    int remOut1 = 1;
    int remOut2 = 1;
    int spkOhm = 1;
    int noiseGate = 0;
    int autoEffect = 0;
    int channelCount = OUTPUT_CHANNELS;
    std::array<int, BRIDGE_PAIRS> bridgeOutputs{};
    PerOutput<OutputChannel> channels;
    int soloChannel = -1;
    // [source][output]: bit j routes input channel j+1 to the output.
    std::array<PerOutput<int>, INPUT_SOURCES> inputs{};
    // [source][input row][output]: mix level 0..100.
    std::array<std::array<PerOutput<int>, INPUT_ROWS>, INPUT_SOURCES> inputMixVolume{};
    PerSourceRow<int> inMixPhase{};
    PerSourceRow<int> inDistort{};
    PerSourceRow<int> outDistort{};
    PerSourceRow<int> viceSource{};
    PerSourceRow<int> viceChannel{};
    PerSourceRow<int> viceGain{};
    PerOutput<int> outputs{};
    PerOutput<int> outputsBk{};
    PerOutput<int> linkOutputs{};
    PerOutput<int> showOutChEqualizer{};
    int currOutChannel = 0;
    int linkMode = 0;
    int lockMode = 0;
    PerOutput<int> linkSel{};
    PerOutput<int> delayLinkSel{};
    int inputThreshold = -60;
    int powerOffDelay = 0;
    KtvSettings ktv;
    PerOutput<int> compressorBypass{};
    PerOutput<float> compressorThreshold{};
    PerOutput<float> compressorRatio{};
    PerOutput<int> compressorAttack{};
    PerOutput<int> compressorRelease{};
    PerOutput<float> compressorKnee{};
    std::array<int, BAND_COUNT_SLOTS> bandCounts{};
    PerOutput<std::array<EqBand, MAX_EQ_BANDS>> bands{};

    bool operator==(const ProfileRecord&) const = default;
};

// Band row of an output; nullptr for an index outside 0..11.
EqBand* BandsOf(ProfileRecord& record, int output);
const EqBand* BandsOf(const ProfileRecord& record, int output);
// "eqSize" of an output; -1 for an index outside 0..11.
int BandCountOf(const ProfileRecord& record, int output);

// Copies what the amplifier reports about itself (identity, versions) and which output is
// current: what a restored or swapped-in set takes from the live one, not being a tuning.
void TakeOwnFields(ProfileRecord& to, const ProfileRecord& from);

// Default speaker type of an output; -1 outside 0..11.
int DefaultSpeakerType(int output);

struct SceneTable {
    std::array<ProfileRecord, STORED_SCENES> records;
    std::array<std::array<char, SCENE_NAME_BYTES>, STORED_SCENES> names{};
};

// Name of stored scene index (0..9), up to its first zero byte; empty out of range.
std::string SceneName(const SceneTable& table, int index);
// Stores a name zero-padded and cut to 16 bytes; false out of range.
bool SetSceneName(SceneTable& table, int index, std::string_view name);

}  // namespace model
