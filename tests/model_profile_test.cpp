#include <gtest/gtest.h>

#include "model/constants.h"
#include "model/frequency.h"
#include "model/profile_record.h"

using namespace model;

TEST(ModelProfile, Constants) {
    EXPECT_EQ(MODEL_ID, 78);
    EXPECT_EQ(OUTPUT_CHANNELS, 12);
    EXPECT_EQ(INPUT_SOURCES, 9);
    EXPECT_EQ(MAX_EQ_BANDS, 31);
    EXPECT_EQ(STORED_SCENES, 10);
    EXPECT_EQ(CURVE_POINTS, 512);
}

TEST(ModelProfile, ScalarDefaults) {
    const ProfileRecord r;
    EXPECT_EQ(r.model, -1);
    EXPECT_EQ(r.mainVersion, -1);
    EXPECT_EQ(r.slaveVersion, -1);
    EXPECT_EQ(r.flashVersion, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(r.currentSource, 0);
    EXPECT_EQ(r.mainVolume, 0);
    EXPECT_EQ(r.acc, 0);
    EXPECT_EQ(r.subVolume, 0);
    EXPECT_EQ(r.sceneArg, 0);
    EXPECT_EQ(r.mainVolumeMute, 0);
    EXPECT_EQ(r.autoEffect, 0);
    EXPECT_EQ(r.ampOn, 1);
    EXPECT_EQ(r.remOut1, 1);
    EXPECT_EQ(r.remOut2, 1);
    EXPECT_EQ(r.spkOhm, 1);
    EXPECT_EQ(r.noiseGate, 0);
    EXPECT_EQ(r.channelCount, 12);
    EXPECT_EQ(r.soloChannel, -1);
    EXPECT_EQ(r.currOutChannel, 0);
    EXPECT_EQ(r.linkMode, 0);
    EXPECT_EQ(r.lockMode, 0);
    EXPECT_EQ(r.inputThreshold, -60);
    EXPECT_EQ(r.powerOffDelay, 0);
    for (int b : r.bridgeOutputs)
        EXPECT_EQ(b, 0);
    for (int c : r.bandCounts)
        EXPECT_EQ(c, 31);
}

TEST(ModelProfile, SpeakerAndLinkDefaults) {
    const ProfileRecord r;
    const PerOutput<int> speakers = {1, 7, 2, 8, 3, 9, 13, 16, 14, 17, 22, 23};
    EXPECT_EQ(r.outputs, speakers);
    EXPECT_EQ(r.outputsBk, speakers);
    for (int out = 0; out < OUTPUT_CHANNELS; ++out) {
        EXPECT_EQ(DefaultSpeakerType(out), speakers[out]);
        EXPECT_EQ(r.linkOutputs[out], -1);
        EXPECT_EQ(r.linkSel[out], 0);
        EXPECT_EQ(r.delayLinkSel[out], 0);
        EXPECT_EQ(r.showOutChEqualizer[out], 0);
    }
    EXPECT_EQ(DefaultSpeakerType(-1), -1);
    EXPECT_EQ(DefaultSpeakerType(12), -1);
}

TEST(ModelProfile, ChannelDefaults) {
    const ProfileRecord r;
    for (int out = 0; out < OUTPUT_CHANNELS; ++out) {
        SCOPED_TRACE(out);
        const OutputChannel& ch = r.channels[out];
        EXPECT_EQ(ch.eqSize, 31);
        EXPECT_EQ(ch.gain, 0.0f);
        EXPECT_EQ(ch.mute, 0);
        EXPECT_EQ(ch.delay, 0.0f);
        EXPECT_EQ(ch.phase, 0);
        EXPECT_EQ(ch.solo, 0);
        EXPECT_EQ(ch.bypass, 1);
        EXPECT_EQ(ch.compressorOn, 1);
        EXPECT_EQ(ch.crossover, CrossoverForType(r.outputs[out]));
        const EqBand* bands = BandsOf(r, out);
        ASSERT_NE(bands, nullptr);
        for (int b = 0; b < MAX_EQ_BANDS; ++b) {
            EXPECT_EQ(bands[b].eqGain, 0.0f);
            EXPECT_FLOAT_EQ(bands[b].eqFactor, 5.8f);
            EXPECT_EQ(bands[b].freq, DefaultBandFrequency(31, b));
            EXPECT_EQ(bands[b].enable, 1);
        }
        EXPECT_EQ(bands[0].freq, 20);
        EXPECT_EQ(bands[17].freq, 1000);
        EXPECT_EQ(bands[30].freq, 20000);
        EXPECT_EQ(r.compressorBypass[out], 1);
        EXPECT_FLOAT_EQ(r.compressorThreshold[out], 64.0f);
        EXPECT_FLOAT_EQ(r.compressorRatio[out], 100.0f);
        EXPECT_EQ(r.compressorAttack[out], 1000);
        EXPECT_EQ(r.compressorRelease[out], 30000);
        EXPECT_FLOAT_EQ(r.compressorKnee[out], 24.0f);
    }
    // Subwoofer outputs get the type-1 crossover.
    EXPECT_EQ(r.channels[10].crossover.hp.fs(), 30);
    EXPECT_EQ(r.channels[10].crossover.hp.type(), 1);
    EXPECT_EQ(r.channels[0].crossover.hp.fs(), 3400);
}

TEST(ModelProfile, KtvDefaults) {
    const KtvSettings k = ProfileRecord().ktv;
    EXPECT_EQ(k.ktvHowling, 0);
    EXPECT_EQ(k.ktvMicVolume, 60);
    EXPECT_EQ(k.ktvMusicVolume, 60);
    EXPECT_EQ(k.ktvVoiceChanger, 0);
    EXPECT_EQ(k.ktvEchoLevel, 0);
    EXPECT_EQ(k.ktvEchoDelay, 0);
    EXPECT_EQ(k.ktvReverbLevel, 0);
    EXPECT_EQ(k.ktvReverbTime, 0);
    EXPECT_EQ(k.ktvBassGain, 0);
    EXPECT_EQ(k.ktvTrebleGain, 0);
}

TEST(ModelProfile, InputDefaults) {
    const ProfileRecord r;
    const PerOutput<int> stereo = {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 1, 2};
    const PerOutput<int> multi = {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 1, 2};
    for (int s = 0; s < INPUT_SOURCES; ++s) {
        SCOPED_TRACE(s);
        const PerOutput<int>& expected = (s == 4 || s == 5) ? multi : stereo;
        EXPECT_EQ(r.inputs[s], expected);
        for (int out = 0; out < OUTPUT_CHANNELS; ++out) {
            EXPECT_EQ(DefaultInputMask(s, out), expected[out]);
            for (int row = 0; row < INPUT_ROWS; ++row) {
                const bool routed = (expected[out] >> row) & 1;
                EXPECT_EQ(r.inputMixVolume[s][row][out], routed ? 100 : 0);
            }
        }
        for (int row = 0; row < INPUT_ROWS; ++row) {
            EXPECT_EQ(r.viceSource[s][row], 9);
            EXPECT_EQ(r.viceChannel[s][row], 0);
            EXPECT_EQ(r.viceGain[s][row], 0);
            EXPECT_EQ(r.inMixPhase[s][row], 0);
        }
    }
    EXPECT_EQ(r.inputMixVolume[5][2][2], 100);
    EXPECT_EQ(r.inputMixVolume[5][3][3], 100);
    EXPECT_EQ(r.inputMixVolume[0][1][4], 100);
    EXPECT_EQ(DefaultInputMask(9, 0), 0);
    EXPECT_EQ(DefaultInputMask(0, 12), 0);
    EXPECT_EQ(DefaultInputMask(-1, -1), 0);
}

TEST(ModelProfile, BandAccessBoundsChecked) {
    ProfileRecord r;
    EXPECT_EQ(BandsOf(r, -1), nullptr);
    EXPECT_EQ(BandsOf(r, 12), nullptr);
    EXPECT_EQ(BandsOf(r, 11), r.bands[11].data());
    r.channels[3].eqSize = 11;
    EXPECT_EQ(BandCountOf(r, 3), 11);
    EXPECT_EQ(BandCountOf(r, 12), -1);
    EXPECT_EQ(BandCountOf(r, -1), -1);
}

TEST(ModelProfile, CopiesAreIndependent) {
    ProfileRecord a;
    ProfileRecord b = a;
    BandsOf(b, 0)[0].eqGain = 3.0f;
    EXPECT_EQ(BandsOf(a, 0)[0].eqGain, 0.0f);
}

TEST(ModelProfile, SceneTableDefaultsAndNames) {
    SceneTable t;
    for (int i = 0; i < STORED_SCENES; ++i) {
        EXPECT_EQ(SceneName(t, i), "");
        for (char c : t.names[i])
            EXPECT_EQ(c, '\0');
        EXPECT_EQ(t.records[i].outputs, ProfileRecord().outputs);
    }
    EXPECT_TRUE(SetSceneName(t, 2, "Summer"));
    EXPECT_EQ(SceneName(t, 2), "Summer");
    EXPECT_TRUE(SetSceneName(t, 2, "A name longer than sixteen"));
    EXPECT_EQ(SceneName(t, 2), "A name longer th");
    EXPECT_TRUE(SetSceneName(t, 2, "x"));
    EXPECT_EQ(SceneName(t, 2), "x");
    EXPECT_EQ(t.names[2][1], '\0');
    EXPECT_FALSE(SetSceneName(t, 10, "y"));
    EXPECT_FALSE(SetSceneName(t, -1, "y"));
    EXPECT_EQ(SceneName(t, 10), "");
}
