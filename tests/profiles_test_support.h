#pragma once
// Records with every file field away from its default, and a field-by-field comparison.

#include <gtest/gtest.h>

#include <random>

#include "model/profile_record.h"

namespace profiles_test {

// Every value a file carries, drawn inside the ranges a reader accepts.
inline void Scramble(model::ProfileRecord& r, unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    r.mainVolume = pick(-60, 6);
    r.acc = pick(0, 20);
    r.subVolume = pick(-10, 10);
    r.mainVolumeMute = pick(0, 1);
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        model::OutputChannel& ch = r.channels[o];
        ch.eqSize = pick(0, model::MAX_EQ_BANDS);
        ch.gain = static_cast<float>(pick(-600, 0)) / 10.0f;  // tenths of a dB
        ch.mute = pick(0, 1);
        ch.delay = static_cast<float>(pick(0, 15000)) / 1000.0f;
        ch.solo = pick(0, 1);
        ch.phase = pick(0, 1);
        ch.bypass = static_cast<std::uint8_t>(pick(0, 1));
        ch.crossover.bpType = pick(0, 3);
        ch.crossover.hp = model::CrossoverFilter(pick(20, 20000), pick(1, 3), pick(0, 8));
        ch.crossover.lp = model::CrossoverFilter(pick(20, 20000), pick(1, 3), pick(0, 8));
        for (auto& band : r.bands[o]) {
            band.freq = pick(20, 20000);
            band.eqFactor = static_cast<float>(pick(10, 180)) * 0.05f;
            band.eqGain = static_cast<float>(pick(-180, 120)) / 10.0f;
            band.enable = static_cast<std::uint8_t>(pick(0, 1));
        }
        r.outputs[o] = pick(0, 28);
        r.outputsBk[o] = pick(0, 28);
        r.linkOutputs[o] = pick(-1, 11);
        r.linkSel[o] = pick(0, 12);
        r.delayLinkSel[o] = pick(0, 12);
        r.showOutChEqualizer[o] = pick(0, 1);
    }
    for (auto& b : r.bridgeOutputs) {
        b = pick(0, 1);
    }
    for (int s = 0; s < model::INPUT_SOURCES; ++s) {
        for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
            r.inputs[s][o] = pick(0, 0x3FF);
        }
        for (int row = 0; row < 10; ++row) {
            for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
                r.inputMixVolume[s][row][o] = pick(0, 100);
            }
            r.inMixPhase[s][row] = pick(0, 1);
        }
    }
    r.currOutChannel = pick(0, 11);
    r.linkMode = pick(0, 1);
    r.lockMode = pick(0, 1);
    r.inputThreshold = pick(-90, 0);
}

struct Parts {
    bool volumes = true;   // the root's four volume keys
    bool routing = true;   // bridge, link groups: not read from whole profiles
    bool liveOnly = true;  // "inMixPhase" and "inputThreshold": not in stored scenes
};

inline void ExpectSameFileFields(const model::ProfileRecord& a, const model::ProfileRecord& b,
                                 Parts parts, const std::string& where) {
    SCOPED_TRACE(where);
    if (parts.volumes) {
        EXPECT_EQ(a.mainVolume, b.mainVolume);
        EXPECT_EQ(a.acc, b.acc);
        EXPECT_EQ(a.subVolume, b.subVolume);
        EXPECT_EQ(a.mainVolumeMute, b.mainVolumeMute);
    }
    for (int o = 0; o < model::OUTPUT_CHANNELS; ++o) {
        SCOPED_TRACE("output " + std::to_string(o));
        const auto& x = a.channels[o];
        const auto& y = b.channels[o];
        ASSERT_EQ(x.eqSize, y.eqSize);
        EXPECT_EQ(x.gain, y.gain);
        EXPECT_EQ(x.mute, y.mute);
        EXPECT_EQ(x.delay, y.delay);
        EXPECT_EQ(x.solo, y.solo);
        EXPECT_EQ(x.phase, y.phase);
        EXPECT_EQ(x.bypass, y.bypass);
        EXPECT_EQ(x.crossover, y.crossover);
        for (int band = 0; band < x.eqSize; ++band) {
            EXPECT_EQ(a.bands[o][band], b.bands[o][band]) << "band " << band;
        }
    }
    EXPECT_EQ(a.inputs, b.inputs);
    for (int s = 0; s < model::INPUT_SOURCES; ++s) {
        for (int row = 0; row < 10; ++row) {
            EXPECT_EQ(a.inputMixVolume[s][row], b.inputMixVolume[s][row]);
            if (parts.liveOnly) {
                EXPECT_EQ(a.inMixPhase[s][row], b.inMixPhase[s][row]);
            }
        }
    }
    EXPECT_EQ(a.outputs, b.outputs);
    EXPECT_EQ(a.outputsBk, b.outputsBk);
    EXPECT_EQ(a.linkOutputs, b.linkOutputs);
    EXPECT_EQ(a.showOutChEqualizer, b.showOutChEqualizer);
    EXPECT_EQ(a.currOutChannel, b.currOutChannel);
    EXPECT_EQ(a.linkMode, b.linkMode);
    EXPECT_EQ(a.lockMode, b.lockMode);
    if (parts.routing) {
        EXPECT_EQ(a.bridgeOutputs, b.bridgeOutputs);
        EXPECT_EQ(a.linkSel, b.linkSel);
        EXPECT_EQ(a.delayLinkSel, b.delayLinkSel);
    }
    if (parts.liveOnly) {
        EXPECT_EQ(a.inputThreshold, b.inputThreshold);
    }
}

}  // namespace profiles_test
