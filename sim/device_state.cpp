#include "sim/device_state.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

constexpr std::array<uint16_t, kBands> kIsoBands = {
    20,   25,   31,   40,   50,   63,    80,    100,   125,   160,  200,
    250,  315,  400,  500,  630,  800,   1000,  1250,  1600,  2000, 2500,
    3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000,
};

}  // namespace

const std::array<uint8_t, kOutputs> kDefaultSpeakerTypes = {1,  7,  2,  8,  3,  9,
                                                            13, 16, 14, 17, 22, 23};

void DefaultCrossover(uint8_t speakerType, FilterSide& hp, FilterSide& lp) {
    struct Row {
        uint16_t hpFreq;
        uint8_t hpSlope;
        uint16_t lpFreq;
        uint8_t lpSlope;
        uint8_t type;
    };
    static constexpr Row kFull{20, 0, 20000, 0, 3};
    static constexpr Row kTweeter{3400, 2, 20000, 0, 3};
    static constexpr Row kMid{600, 2, 1900, 2, 3};
    static constexpr Row kWoofer{70, 3, 320, 2, 3};
    static constexpr Row kMidTweeter{600, 2, 20000, 0, 3};
    static constexpr Row kMidWoofer{70, 2, 1900, 2, 3};
    static constexpr Row kSub{30, 4, 50, 2, 1};
    Row row = kFull;
    switch (speakerType) {
        case 1:
        case 7:
        case 13:
        case 16:
        case 19:
            row = kTweeter;
            break;
        case 2:
        case 8:
            row = kMid;
            break;
        case 3:
        case 9:
        case 14:
        case 17:
        case 20:
            row = kWoofer;
            break;
        case 4:
        case 10:
            row = kMidTweeter;
            break;
        case 5:
        case 11:
            row = kMidWoofer;
            break;
        case 22:
        case 23:
        case 24:
            row = kSub;
            break;
        default:
            break;
    }
    hp = FilterSide{row.type, row.hpFreq, row.hpSlope};
    lp = FilterSide{row.type, row.lpFreq, row.lpSlope};
}

std::array<uint16_t, kOutputs> DefaultMixMasks(int source) {
    if (source == 4 || source == 5) {
        return {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 1, 2};
    }
    return {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 1, 2};
}

std::array<uint8_t, 2> EncodeNoiseLevel(float dB) {
    const double shifted = std::clamp(static_cast<double>(dB) + 100.0, 0.0, 255.9);
    int whole = static_cast<int>(std::floor(shifted));
    int tenths = static_cast<int>(std::lround((shifted - whole) * 10.0));
    if (tenths >= 10) {
        whole = std::min(whole + 1, 255);
        tenths = 0;
    }
    return {static_cast<uint8_t>(whole), static_cast<uint8_t>(tenths)};
}

SceneState DefaultScene() {
    SceneState scene;
    for (int c = 0; c < kOutputs; ++c) {
        OutputState& out = scene.outputs[c];
        out.type = kDefaultSpeakerTypes[c];
        DefaultCrossover(out.type, out.hp, out.lp);
        for (int b = 0; b < kBands; ++b) {
            out.bands[b] = EqBand{kIsoBands[b], {5, 8}, {18, 0}};
        }
        // bypassed; threshold 64 dB (noise + 100 = 164); ratio 100; knee 24; 1000 ms; 30000 ms
        out.compressor = {1, 164, 0, 100, 0, 24, 0, 0x03, 0xE8, 0x75, 0x30};
        // threshold 64 dB, attack 1000 ms, release 30 s
        out.compressor2 = {64, 0, 0x03, 0xE8, 30, 0};
    }
    for (int s = 0; s < kSources; ++s) {
        SourceState& source = scene.sources[s];
        source.mixMask = DefaultMixMasks(s);
        for (int in = 0; in < kInputs; ++in) {
            for (int out = 0; out < kOutputs; ++out) {
                source.mixTrim[in][out] = (source.mixMask[out] >> in) & 1 ? 100 : 0;
            }
        }
    }
    return scene;
}

void ResetEqBand(EqBand& band, int index) {
    band = EqBand{kIsoBands[static_cast<size_t>(index)], {5, 8}, {18, 0}};
}

DeviceState DefaultDeviceState() {
    DeviceState state;
    for (SceneState& scene : state.scenes) {
        scene = DefaultScene();
    }
    for (auto& name : state.names) {
        name.fill(0xFF);
    }
    for (auto& level : state.inputNoise) {
        level = EncodeNoiseLevel(-85.0f);
    }
    state.ktv[0] = 60;  // microphone volume
    state.ktv[1] = 60;  // music volume
    return state;
}

}  // namespace sim
