#include "model/mixer_operations.h"

#include <algorithm>
#include <array>

#include "model/constants.h"
#include "model/links.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {

namespace {

constexpr int kLiveScene = 0;
constexpr int kHighLevelSource = 5;
constexpr int kHighLevelMixerInputs = 8;
constexpr int kFirstSourceCode = 0x51;
constexpr int kViceGainOffset = 32;
constexpr int kTagSourceUnit = 100;

size_t At(int i) {
    return static_cast<size_t>(i);
}

// The channel of the other slot that keeps the two vice inputs apart.
int ComplementChannel(int source, int viceSource, int channel) {
    if (source == kHighLevelSource && viceSource == kHighLevelSource) {
        return channel != 9 ? 9 : 8;
    }
    return channel == 0 ? 1 : 0;
}

}  // namespace

int MixerInputCount(int source) {
    if (!IsSourceIndex(source)) {
        return 0;
    }
    return source == kHighLevelSource ? kHighLevelMixerInputs : SourceInputCount(source);
}

int MixerInputOfRow(int source, int row) {
    if (!IsSourceIndex(source) || row < 0 || row >= MIXER_ROWS) {
        return -1;
    }
    const int count = MixerInputCount(source);
    // A source with no inputs of its own (hidden ones) mixes nothing in either.
    if (count == 0) {
        return -1;
    }
    if (row < FIRST_VICE_ROW) {
        return row < count ? row : -1;
    }
    const int input = count + row - FIRST_VICE_ROW;
    return input < INPUT_ROWS ? input : -1;
}

int MixerTouchedInputs(int source) {
    if (!IsSourceIndex(source)) {
        return 0;
    }
    const int count = MixerInputCount(source);
    return count == 0
               ? SourceInputCount(source)
               : std::min(INPUT_ROWS, std::max(SourceInputCount(source), count + VICE_SLOTS));
}

int ViceSourceWire(int viceSource) {
    return kFirstSourceCode + std::clamp(viceSource, 0, NO_VICE_SOURCE);
}

int ViceGainWire(int db) {
    return std::clamp(db, MIN_VICE_GAIN, MAX_VICE_GAIN) + kViceGainOffset;
}

int CellVolume(const ProfileRecord& record, int source, int input, int output) {
    if (!IsSourceIndex(source) || !IsOutputIndex(output) || input < 0 || input >= INPUT_ROWS) {
        return 0;
    }
    if ((record.inputs[At(source)][At(output)] & (1 << input)) == 0) {
        return 0;
    }
    const int stored = ClampMixLevel(record.inputMixVolume[At(source)][At(input)][At(output)]);
    return stored == 0 ? MAX_MIX_LEVEL : stored;
}

MixerOperations::MixerOperations(ProfileRecord& live, dsplink::DspLink& link, ModelChanges& changes,
                                 InputOperations& inputs)
    : mLive(live), mLink(link), mChanges(changes), mInputs(inputs) {}

void MixerOperations::Tell(ChangeKind kind, int output) {
    mChanges.Publish({.kind = kind, .output = output, .source = mLive.currentSource});
}

int MixerOperations::Volume(int row, int output) const {
    const int source = mLive.currentSource;
    return CellVolume(mLive, source, MixerInputOfRow(source, row), output);
}

bool MixerOperations::ApplyVolume(int input, int output, int volume) {
    const int source = mLive.currentSource;
    const bool routed = (mLive.inputs[At(source)][At(output)] & (1 << input)) != 0;
    int& stored = mLive.inputMixVolume[At(source)][At(input)][At(output)];
    if (volume == CellVolume(mLive, source, input, output) && stored == volume) {
        return false;
    }
    stored = volume;
    Tell(ChangeKind::Mix, output);
    const std::array<int, 1> trims{volume};
    mLink.Input_Mix_Trim_Ctrl(kLiveScene, source, input, output, output, trims, false);
    // The amplifier routes by the mask: a level alone would leave it playing or silent.
    if (routed != (volume > 0)) {
        mInputs.RouteInput(input, output, volume > 0);
    }
    return true;
}

bool MixerOperations::SetVolume(int row, int output, int volume) {
    const int source = mLive.currentSource;
    const int input = MixerInputOfRow(source, row);
    if (input < 0 || !IsOutputIndex(output)) {
        return false;
    }
    volume = ClampMixLevel(volume);
    runlog::Log("OnVolChanged in %d out %d vol %d\n", input, output, volume);
    bool changed = ApplyVolume(input, output, volume);
    const std::optional<int> partner = LinkPartner(mLive, output);
    if (partner && *partner != output && IsOutputIndex(*partner)) {
        runlog::Log("CopyMix_v from %d to %d\n", output, *partner);
        changed = ApplyVolume(input, *partner, volume) || changed;
    }
    return changed;
}

bool MixerOperations::SetEnabled(int row, int output, bool on) {
    const int source = mLive.currentSource;
    const int input = MixerInputOfRow(source, row);
    if (input < 0 || !IsOutputIndex(output)) {
        return false;
    }
    const int stored = ClampMixLevel(mLive.inputMixVolume[At(source)][At(input)][At(output)]);
    return SetVolume(row, output, on ? (stored == 0 ? MAX_MIX_LEVEL : stored) : 0);
}

void MixerOperations::ClearMix() {
    const int source = mLive.currentSource;
    if (!IsSourceIndex(source)) {
        return;
    }
    runlog::Log("ClearMix source %d\n", source);
    auto& masks = mLive.inputs[At(source)];
    auto& levels = mLive.inputMixVolume[At(source)];
    const bool routed = std::ranges::any_of(masks, [](int m) { return m != 0; });
    const std::array<int, OUTPUT_CHANNELS> zeros{};
    bool changed = routed;
    for (int input = 0; input < INPUT_ROWS; ++input) {
        auto& row = levels[At(input)];
        const bool heard =
            std::ranges::any_of(row, [](int v) { return v != 0; }) ||
            std::ranges::any_of(masks, [&](int m) { return (m & (1 << input)) != 0; });
        if (!heard) {
            continue;
        }
        row.fill(0);
        changed = true;
        // The whole row at once, so the amplifier keeps no level the record lost.
        mLink.Input_Mix_Trim_Ctrl(kLiveScene, source, input, 0, OUTPUT_CHANNELS - 1, zeros, false);
    }
    if (routed) {
        masks.fill(0);
        mLink.Mix_Ch_Ctrl(kLiveScene, source, 0, OUTPUT_CHANNELS - 1, masks, false);
    }
    if (changed) {
        Tell(ChangeKind::Mix);
        Tell(ChangeKind::Inputs);
    }
}

void MixerOperations::SetInputPhase(int row, bool inverted) {
    const int source = mLive.currentSource;
    const int input = MixerInputOfRow(source, row);
    if (input < 0) {
        return;
    }
    int& phase = mLive.inMixPhase[At(source)][At(input)];
    const int next = inverted ? 1 : 0;
    if (phase == next) {
        return;
    }
    phase = next;
    runlog::Log("input %d phase %d\n", input, next);
    Tell(ChangeKind::InputPhase);
    const std::array<int, 1> phases{next};
    mLink.Input_Phase_Ctrl(kLiveScene, source, input, input, phases, false);
}

bool MixerOperations::StoreVice(int input, int viceSource, int channel) {
    const int source = mLive.currentSource;
    int& storedSource = mLive.viceSource[At(source)][At(input)];
    int& storedChannel = mLive.viceChannel[At(source)][At(input)];
    if (storedSource == viceSource && storedChannel == channel) {
        return false;
    }
    storedSource = viceSource;
    storedChannel = channel;
    mLink.Cross_Source_Mix_Ctrl_CS47048(kLiveScene, source, ViceSourceWire(viceSource), channel,
                                        input, false);
    return true;
}

void MixerOperations::SelectViceSource(int slot, int tag) {
    const int source = mLive.currentSource;
    const int input = MixerInputOfRow(source, FIRST_VICE_ROW + slot);
    const int other = MixerInputOfRow(source, FIRST_VICE_ROW + 1 - slot);
    if (slot < 0 || slot >= VICE_SLOTS || input < 0 || tag < 0) {
        return;
    }
    const int viceSource = std::min(tag / kTagSourceUnit, NO_VICE_SOURCE);
    const int channel = tag % kTagSourceUnit;
    runlog::Log("select vice source %d ch %d for input %d\n", viceSource, channel, input);
    bool changed = StoreVice(input, viceSource, channel);
    if (viceSource != NO_VICE_SOURCE && other >= 0) {
        const int otherSource = mLive.viceSource[At(source)][At(other)];
        const int otherChannel = mLive.viceChannel[At(source)][At(other)];
        if (otherSource != NO_VICE_SOURCE &&
            (otherSource != viceSource || otherChannel == channel)) {
            changed =
                StoreVice(other, viceSource, ComplementChannel(source, viceSource, channel)) ||
                changed;
        }
    }
    if (changed) {
        Tell(ChangeKind::Vice);
    }
}

void MixerOperations::SetViceGain(int slot, int db) {
    const int source = mLive.currentSource;
    const int input = MixerInputOfRow(source, FIRST_VICE_ROW + slot);
    if (slot < 0 || slot >= VICE_SLOTS || input < 0) {
        return;
    }
    const int gain = std::clamp(db, MIN_VICE_GAIN, MAX_VICE_GAIN);
    int& stored = mLive.viceGain[At(source)][At(input)];
    if (stored == gain) {
        return;
    }
    stored = gain;
    Tell(ChangeKind::Vice);
    mLink.Cross_Source_Mix_Ctrl(
        kLiveScene, source, input, ViceSourceWire(mLive.viceSource[At(source)][At(input)]),
        mLive.viceChannel[At(source)][At(input)], ViceGainWire(gain), false);
}

void MixerOperations::RequestDistortion() {
    const int source = mLive.currentSource;
    if (!IsSourceIndex(source)) {
        return;
    }
    const int inputs = MixerInputCount(source);
    if (inputs > 0) {
        mLink.Get_InDistort(kLiveScene, source, 0, inputs - 1);
    }
    mLink.Get_OutDistort(kLiveScene, source, 0, OUTPUT_CHANNELS - 1);
}

}  // namespace model
