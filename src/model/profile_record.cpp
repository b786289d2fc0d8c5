#include "model/profile_record.h"

#include <algorithm>

#include "model/frequency.h"
#include "model/speaker_types.h"

namespace model {

namespace {

constexpr PerOutput<int> kDefaultSpeakers = {1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23};
// No cross-source mix partner.
constexpr int kNoViceSource = INPUT_SOURCES;

}  // namespace

void TakeOwnFields(ProfileRecord& to, const ProfileRecord& from) {
    to.model = from.model;
    to.mainVersion = from.mainVersion;
    to.slaveVersion = from.slaveVersion;
    to.flashVersion = from.flashVersion;
    to.sceneArg = from.sceneArg;
    to.channelCount = from.channelCount;
    to.currOutChannel = from.currOutChannel;
}

int DefaultSpeakerType(int output) {
    return IsOutputIndex(output) ? kDefaultSpeakers[output] : -1;
}

ProfileRecord::ProfileRecord() {
    bandCounts.fill(MAX_EQ_BANDS);
    for (auto& row : viceSource) {
        row.fill(kNoViceSource);
    }
    outputs = kDefaultSpeakers;
    outputsBk = kDefaultSpeakers;
    linkOutputs.fill(-1);
    compressorBypass.fill(1);
    compressorThreshold.fill(64.0f);
    compressorRatio.fill(100.0f);
    compressorAttack.fill(1000);
    compressorRelease.fill(30000);
    compressorKnee.fill(24.0f);

    for (int out = 0; out < OUTPUT_CHANNELS; ++out) {
        OutputChannel& ch = channels[out];
        ch.eqSize = bandCounts[out];
        ch.crossover = CrossoverForType(outputs[out]);
        for (int b = 0; b < MAX_EQ_BANDS; ++b) {
            bands[out][b].freq = DefaultBandFrequency(ch.eqSize, b);
        }
    }

    for (int s = 0; s < INPUT_SOURCES; ++s) {
        for (int out = 0; out < OUTPUT_CHANNELS; ++out) {
            const int mask = DefaultInputMask(s, out);
            inputs[s][out] = mask;
            for (int row = 0; row < INPUT_ROWS; ++row) {
                inputMixVolume[s][row][out] = (mask >> row) & 1 ? 100 : 0;
            }
        }
    }
}

EqBand* BandsOf(ProfileRecord& record, int output) {
    return IsOutputIndex(output) ? record.bands[output].data() : nullptr;
}

const EqBand* BandsOf(const ProfileRecord& record, int output) {
    return IsOutputIndex(output) ? record.bands[output].data() : nullptr;
}

int BandCountOf(const ProfileRecord& record, int output) {
    return IsOutputIndex(output) ? record.channels[output].eqSize : -1;
}

std::string SceneName(const SceneTable& table, int index) {
    if (index < 0 || index >= STORED_SCENES) {
        return {};
    }
    const auto& name = table.names[index];
    const auto end = std::find(name.begin(), name.end(), '\0');
    return std::string(name.begin(), end);
}

bool SetSceneName(SceneTable& table, int index, std::string_view name) {
    if (index < 0 || index >= STORED_SCENES) {
        return false;
    }
    auto& dest = table.names[index];
    dest.fill('\0');
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), dest.size()), dest.begin());
    return true;
}

}  // namespace model
