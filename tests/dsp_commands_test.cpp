// Audio path operations through a real DspLink over the scripted transport: the bytes of every
// frame on the wire, the queueing rules, refusals, and the time-outs in virtual time.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "link/dsp_link.h"
#include "link_test_rig.h"

namespace {

using namespace link_test;
using dsplink::CompressorChannel;
using dsplink::DspLink;

Wire Dsp(uint8_t subcmd, uint8_t optype, Bytes payload) {
    return Wire{1, subcmd, optype, std::move(payload)};
}

using F = std::vector<float>;
using I = std::vector<int>;

TEST(DspCommandsWire, WritesEncodeTheirPayloads) {
    ExpectRows({
        {"Source_Switch_Ctrl", [](DspLink& l) { return l.Source_Switch_Ctrl(3, true); },
         Dsp(0x01, W, {0x03})},
        {"Main_Volume_Ctrl", [](DspLink& l) { return l.Main_Volume_Ctrl(20.7f, true); },
         Dsp(0x02, W, {0x14})},
        {"Mute_Ctrl", [](DspLink& l) { return l.Mute_Ctrl(1, true); }, Dsp(0x04, W, {0x01})},
        {"Filter_Ctrl type before frequency, slope last",
         [](DspLink& l) { return l.Filter_Ctrl(0, 0, 5, 2, 1, 80, 3, true); },
         Dsp(0x05, W, {0x00, 0x00, 0x05, 0x02, 0x01, 0x00, 0x50, 0x03})},
        {"EQ_Ctrl", [](DspLink& l) { return l.EQ_Ctrl(0, 0, 3, 2, 1000, 2.5f, -3.5f, true); },
         Dsp(0x06, W, {0x00, 0x00, 0x03, 0x02, 0x03, 0xE8, 0x02, 0x05, 0x0E, 0x05})},
        {"EQ_Ctrl gain -18 is 0,0 and Q 4.35 is 4,3",
         [](DspLink& l) { return l.EQ_Ctrl(1, 2, 4, 30, 20000, 4.35f, -18.0f, true); },
         Dsp(0x06, W, {0x01, 0x02, 0x04, 0x1E, 0x4E, 0x20, 0x04, 0x03, 0x00, 0x00})},
        {"EQ_Ctrl gain +6.5 is 24,5",
         [](DspLink& l) { return l.EQ_Ctrl(0, 0, 0, 0, 63, 1.0f, 6.5f, true); },
         Dsp(0x06, W, {0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x01, 0x00, 0x18, 0x05})},
        {"Delay_Ctrl",
         [](DspLink& l) {
             return l.Delay_Ctrl(0, 0, 0, 1, F{1.25f, 0.0f}, true);
         },
         Dsp(0x07, W, {0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0xFA, 0x00, 0x00, 0x00})},
        {"Delay_Ctrl three channels from 2",
         [](DspLink& l) {
             return l.Delay_Ctrl(1, 3, 2, 4, F{10.5f, 2.999f, 0.001f}, true);
         },
         Dsp(0x07, W,
             {0x01, 0x03, 0x02, 0x04, 0x0A, 0x01, 0xF4, 0x02, 0x03, 0xE7, 0x00, 0x00, 0x01})},
        {"Delay_Ctrl empty range is the head alone",
         [](DspLink& l) { return l.Delay_Ctrl(0, 0, 5, 4, F{}, true); },
         Dsp(0x07, W, {0x00, 0x00, 0x05, 0x04})},
        {"Trim_Ctrl whole dB, signed",
         [](DspLink& l) {
             return l.Trim_Ctrl(0, 0, 0, 2, F{-3.5f, 6.9f, -12.0f}, true);
         },
         Dsp(0x08, W, {0x00, 0x00, 0x00, 0x02, 0xFD, 0x06, 0xF4})},
        {"Trim_Ctrl takes only the values of the range",
         [](DspLink& l) {
             return l.Trim_Ctrl(0, 0, 1, 1, F{2.0f, 9.0f, 9.0f}, true);
         },
         Dsp(0x08, W, {0x00, 0x00, 0x01, 0x01, 0x02})},
        {"Mute_Ch_Ctrl",
         [](DspLink& l) {
             return l.Mute_Ch_Ctrl(0, 0, 10, 11, I{1, 0}, true);
         },
         Dsp(0x09, W, {0x00, 0x00, 0x0A, 0x0B, 0x01, 0x00})},
        {"Phase_Ctrl", [](DspLink& l) { return l.Phase_Ctrl(1, 0, 3, 3, I{1}, true); },
         Dsp(0x0A, W, {0x01, 0x00, 0x03, 0x03, 0x01})},
        {"Mix_Ch_Ctrl u16 masks",
         [](DspLink& l) {
             return l.Mix_Ch_Ctrl(0, 2, 4, 5, I{0x0201, 0x0FFF}, true);
         },
         Dsp(0x0B, W, {0x00, 0x02, 0x04, 0x05, 0x02, 0x01, 0x0F, 0xFF})},
        {"CH_Type_Ctrl",
         [](DspLink& l) {
             return l.CH_Type_Ctrl(0, 0, 0, 1, I{7, 12}, true);
         },
         Dsp(0x0D, W, {0x00, 0x00, 0x00, 0x01, 0x07, 0x0C})},
        {"CH_Link_Ctrl",
         [](DspLink& l) {
             const std::vector<std::pair<int, int>> pairs{{0, 1}, {4, 5}};
             return l.CH_Link_Ctrl(0, 1, pairs, true);
         },
         Dsp(0x0E, W, {0x00, 0x01, 0x02, 0x00, 0x01, 0x04, 0x05})},
        {"CH_Lock_Ctrl", [](DspLink& l) { return l.CH_Lock_Ctrl(2, 1, true); },
         Dsp(0x0F, W, {0x02, 0x01})},
        {"PEQ_Reset_Ctrl",
         [](DspLink& l) {
             return l.PEQ_Reset_Ctrl(0, 3, I{2, 7, 11}, true);
         },
         Dsp(0x11, W, {0x00, 0x03, 0x03, 0x02, 0x07, 0x0B})},
        {"PEQ_Bypass_Ctrl",
         [](DspLink& l) {
             return l.PEQ_Bypass_Ctrl(0, 0, 6, 7, I{1, 1}, true);
         },
         Dsp(0x12, W, {0x00, 0x00, 0x06, 0x07, 0x01, 0x01})},
        {"Input_Phase_Ctrl",
         [](DspLink& l) {
             return l.Input_Phase_Ctrl(0, 1, 0, 3, I{0, 1, 0, 1}, true);
         },
         Dsp(0x22, W, {0x00, 0x01, 0x00, 0x03, 0x00, 0x01, 0x00, 0x01})},
        {"Input_Mix_Trim_Ctrl",
         [](DspLink& l) {
             return l.Input_Mix_Trim_Ctrl(0, 1, 2, 0, 2, I{-6, 0, 3}, true);
         },
         Dsp(0x24, W, {0x00, 0x01, 0x02, 0x00, 0x02, 0xFA, 0x00, 0x03})},
        {"Input_Ch_Threshold_Ctrl", [](DspLink& l) { return l.Input_Ch_Threshold_Ctrl(-60, true); },
         Dsp(0x26, W, {0xC4})},
        {"Solo_Ctrl",
         [](DspLink& l) {
             return l.Solo_Ctrl(0, 0, 8, 9, I{1, 0}, true);
         },
         Dsp(0x34, W, {0x00, 0x00, 0x08, 0x09, 0x01, 0x00})},
        {"Set_AUTO_ON", [](DspLink& l) { return l.Set_AUTO_ON(2, 1, true); },
         Dsp(0x3B, W, {0x02, 0x01})},
        {"Compressor_Ctrl 14 bytes",
         [](DspLink& l) {
             return l.Compressor_Ctrl(0, 0, 4, 1, -30.5f, 4.0f, 2.5f, 10, 1000, true);
         },
         Dsp(0x3E, W,
             {0x00, 0x00, 0x04, 0x01, 0x45, 0x05, 0x04, 0x00, 0x02, 0x05, 0x00, 0x0A, 0x03, 0xE8})},
        {"Amp_Mute_Ctrl", [](DspLink& l) { return l.Amp_Mute_Ctrl(1, true); },
         Dsp(0x3F, W, {0x01})},
        {"Rem_Out_Ctrl", [](DspLink& l) { return l.Rem_Out_Ctrl(1, 0, true); },
         Dsp(0x45, W, {0x01, 0x00})},
        {"Cross_Source_Mix_Ctrl",
         [](DspLink& l) { return l.Cross_Source_Mix_Ctrl(0, 1, 2, 3, 4, 5, true); },
         Dsp(0x47, W, {0x00, 0x01, 0x02, 0x03, 0x04, 0x05})},
        {"Compressor_Ch_Ctrl",
         [](DspLink& l) {
             return l.Compressor_Ch_Ctrl(0, 0, 0, 2, I{1, 0, 1}, true);
         },
         Dsp(0x49, W, {0x00, 0x00, 0x00, 0x02, 0x01, 0x00, 0x01})},
        {"Compressor_Ctrl2",
         [](DspLink& l) {
             const std::vector<CompressorChannel> c{{-12.5f, 20, 250}};
             return l.Compressor_Ctrl2(0, 0, 2, 2, c, true);
         },
         Dsp(0x4A, W, {0x00, 0x00, 0x02, 0x02, 0xF4, 0xFB, 0x00, 0x14, 0x00, 0x02})},
        {"Compressor_Ctrl2 two channels, release in seconds",
         [](DspLink& l) {
             const std::vector<CompressorChannel> c{{6.0f, 1, 1000}, {-0.3f, 1500, 1999}};
             return l.Compressor_Ctrl2(0, 1, 0, 1, c, true);
         },
         Dsp(0x4A, W,
             {0x00, 0x01, 0x00, 0x01, 0x06, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0xFD, 0x05, 0xDC,
              0x01, 0x09})},
        {"Spk_Ohm_Ctrl", [](DspLink& l) { return l.Spk_Ohm_Ctrl(2, true); }, Dsp(0x4B, W, {0x02})},
        {"Output_Bridge_Ctrl",
         [](DspLink& l) {
             return l.Output_Bridge_Ctrl(0, 0, I{1, 0, 0, 1, 0, 0}, true);
         },
         Dsp(0x4C, W, {0x00, 0x00, 0x06, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00})},
        {"Cross_Source_Mix_Ctrl_CS47048 order",
         [](DspLink& l) { return l.Cross_Source_Mix_Ctrl_CS47048(0, 1, 2, 3, 4, true); },
         Dsp(0x4D, W, {0x00, 0x01, 0x02, 0x03, 0x04})},
        {"Noise_Gate_Ctrl", [](DspLink& l) { return l.Noise_Gate_Ctrl(1, true); },
         Dsp(0x4E, W, {0x01})},
    });
}

TEST(DspCommandsWire, ReadsEncodeTheirRequests) {
    ExpectRows({
        {"Get_Source", [](DspLink& l) { return l.Get_Source(); }, Dsp(0x01, R, {})},
        {"Get_Main_Volume", [](DspLink& l) { return l.Get_Main_Volume(); }, Dsp(0x02, R, {})},
        {"Get_Subwoofer_Volume", [](DspLink& l) { return l.Get_Subwoofer_Volume(); },
         Dsp(0x03, R, {})},
        {"Get_Mute", [](DspLink& l) { return l.Get_Mute(); }, Dsp(0x04, R, {})},
        {"Get_Filter", [](DspLink& l) { return l.Get_Filter(0, 1, 4, 7); },
         Dsp(0x05, R, {0x00, 0x01, 0x04, 0x07})},
        {"Get_EQ", [](DspLink& l) { return l.Get_EQ(0, 1, 3, 7, 13); },
         Dsp(0x06, R, {0x00, 0x01, 0x03, 0x07, 0x0D})},
        {"Get_Delay", [](DspLink& l) { return l.Get_Delay(0, 0, 0, 11); },
         Dsp(0x07, R, {0x00, 0x00, 0x00, 0x0B})},
        {"Get_Trim", [](DspLink& l) { return l.Get_Trim(1, 2, 3, 4); },
         Dsp(0x08, R, {0x01, 0x02, 0x03, 0x04})},
        {"Get_Mute_Ch", [](DspLink& l) { return l.Get_Mute_Ch(0, 0, 2, 9); },
         Dsp(0x09, R, {0x00, 0x00, 0x02, 0x09})},
        {"Get_Phase", [](DspLink& l) { return l.Get_Phase(0, 0, 0, 5); },
         Dsp(0x0A, R, {0x00, 0x00, 0x00, 0x05})},
        {"Get_Mix_Ch", [](DspLink& l) { return l.Get_Mix_Ch(0, 4, 6, 11); },
         Dsp(0x0B, R, {0x00, 0x04, 0x06, 0x0B})},
        {"Get_CH_Type", [](DspLink& l) { return l.Get_CH_Type(0, 0, 1, 2); },
         Dsp(0x0D, R, {0x00, 0x00, 0x01, 0x02})},
        {"Get_CH_Link", [](DspLink& l) { return l.Get_CH_Link(3); }, Dsp(0x0E, R, {0x03})},
        {"Get_CH_Lock", [](DspLink& l) { return l.Get_CH_Lock(2); }, Dsp(0x0F, R, {0x02})},
        {"Get_PEQ_Bypass", [](DspLink& l) { return l.Get_PEQ_Bypass(0, 0, 0, 11); },
         Dsp(0x12, R, {0x00, 0x00, 0x00, 0x0B})},
        {"Get_Input_Mix_CH_Trim",
         [](DspLink& l) { return l.Get_Input_Mix_CH_Trim(0, 1, 2, 0, 11); },
         Dsp(0x24, R, {0x00, 0x01, 0x02, 0x00, 0x0B})},
        {"Get_Input_Threshold", [](DspLink& l) { return l.Get_Input_Threshold(0, 3, true); },
         Dsp(0x26, R, {0x00, 0x03})},
        {"Get_Input_Noise", [](DspLink& l) { return l.Get_Input_Noise(0, 7, true); },
         Dsp(0x27, R, {0x00, 0x07})},
        {"Get_Ch_Solo", [](DspLink& l) { return l.Get_Ch_Solo(0, 0, 6, 7); },
         Dsp(0x34, R, {0x00, 0x00, 0x06, 0x07})},
        {"Get_Speaker_Config", [](DspLink& l) { return l.Get_Speaker_Config(); }, Dsp(0x35, R, {})},
        {"Get_Amp_Mute", [](DspLink& l) { return l.Get_Amp_Mute(); }, Dsp(0x3F, R, {})},
        {"Get_InDistort", [](DspLink& l) { return l.Get_InDistort(0, 2, 0, 9); },
         Dsp(0x40, R, {0x00, 0x02, 0x00, 0x09})},
        {"Get_OutDistort", [](DspLink& l) { return l.Get_OutDistort(0, 2, 0, 11); },
         Dsp(0x41, R, {0x00, 0x02, 0x00, 0x0B})},
        {"Get_Rem_Out", [](DspLink& l) { return l.Get_Rem_Out(); }, Dsp(0x45, R, {})},
        {"Get_Spk_Ohm", [](DspLink& l) { return l.Get_Spk_Ohm(); }, Dsp(0x4B, R, {})},
        {"Get_Ouput_Bridge", [](DspLink& l) { return l.Get_Ouput_Bridge(0, 1, 6); },
         Dsp(0x4C, R, {0x00, 0x01, 0x06})},
        {"Get_Mix_Source2 second-source bytes zero",
         [](DspLink& l) { return l.Get_Mix_Source2(0, 1, 5); },
         Dsp(0x4D, R, {0x00, 0x01, 0x00, 0x00, 0x05})},
        {"Get_Noise_Gate", [](DspLink& l) { return l.Get_Noise_Gate(); }, Dsp(0x4E, R, {})},
    });
}

// Values that binary floats cannot hold exactly still go out as the intended steps.
TEST(DspCommandsWire, InexactFloatsKeepTheirIntendedSteps) {
    ExpectRows({
        {"gain -3.7 and Q 2.3",
         [](DspLink& l) { return l.EQ_Ctrl(0, 0, 0, 0, 100, 2.3f, -3.7f, true); },
         Dsp(0x06, W, {0x00, 0x00, 0x00, 0x00, 0x00, 0x64, 0x02, 0x03, 0x0E, 0x03})},
        {"gain 0.1 and Q 0.7",
         [](DspLink& l) { return l.EQ_Ctrl(0, 0, 0, 0, 100, 0.7f, 0.1f, true); },
         Dsp(0x06, W, {0x00, 0x00, 0x00, 0x00, 0x00, 0x64, 0x00, 0x07, 0x12, 0x01})},
        {"delay 0.021 ms and 4.1 ms",
         [](DspLink& l) {
             return l.Delay_Ctrl(0, 0, 0, 1, F{0.021f, 4.1f}, true);
         },
         Dsp(0x07, W, {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x15, 0x04, 0x00, 0x64})},
        {"trims a hair off whole dB",
         [](DspLink& l) {
             return l.Trim_Ctrl(0, 0, 0, 1,
                                F{std::nextafter(3.0f, 0.0f), std::nextafter(-2.0f, 0.0f)}, true);
         },
         Dsp(0x08, W, {0x00, 0x00, 0x00, 0x01, 0x03, 0xFE})},
        {"volume a hair below 25",
         [](DspLink& l) { return l.Main_Volume_Ctrl(std::nextafter(25.0f, 0.0f), true); },
         Dsp(0x02, W, {0x19})},
        {"compressor noise -40.1, ratio 1.1, knee 0.3",
         [](DspLink& l) { return l.Compressor_Ctrl(0, 0, 0, 0, -40.1f, 1.1f, 0.3f, 0, 0, true); },
         Dsp(0x3E, W,
             {0x00, 0x00, 0x00, 0x00, 0x3B, 0x09, 0x01, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00})},
        {"compressor2 threshold -7.9",
         [](DspLink& l) {
             const std::vector<CompressorChannel> c{{-7.9f, 0, 300}};
             return l.Compressor_Ctrl2(0, 0, 0, 0, c, true);
         },
         Dsp(0x4A, W, {0x00, 0x00, 0x00, 0x00, 0xF9, 0xF7, 0x00, 0x00, 0x00, 0x03})},
    });
}

TEST(DspCommandsWire, MixMaskWidthFollowsTheInputCount) {
    for (int inputs : {8, 9}) {
        SCOPED_TRACE(inputs);
        Rig rig;
        rig.link->State().inputCount = inputs;
        ASSERT_TRUE(rig.link->Mix_Ch_Ctrl(0, 0, 0, 1, I{0x81, 0x0201}, true));
        const Bytes payload =
            inputs >= 9 ? Bytes{0, 0, 0, 1, 0x00, 0x81, 0x02, 0x01} : Bytes{0, 0, 0, 1, 0x81, 0x01};
        EXPECT_EQ(Hex(rig.script->Written().at(0)), Hex(Report(Dsp(0x0B, W, payload))));
    }
}

// Calls that must send nothing and return false, whatever the send path.
void ExpectRefused(const char* name, const std::function<bool(DspLink&, bool)>& call) {
    SCOPED_TRACE(name);
    for (bool sendNow : {true, false}) {
        Rig rig;
        rig.link->SetAsyncMode(true);
        EXPECT_FALSE(call(*rig.link, sendNow));
        // Nothing queued either: only an enqueue clears queueIdle.
        EXPECT_TRUE(rig.link->QueueIdle());
        rig.PassTime(250);
        EXPECT_TRUE(rig.script->Written().empty());
    }
}

TEST(DspCommandsRefusal, ShortSpanSendsNothing) {
    // Exact-size heap vectors, so that a read past the span shows under ASan.
    ExpectRefused("Delay_Ctrl", [](DspLink& l, bool now) {
        return l.Delay_Ctrl(0, 0, 0, 3, F{1, 2, 3}, now);
    });
    ExpectRefused("Trim_Ctrl",
                  [](DspLink& l, bool now) { return l.Trim_Ctrl(0, 0, 2, 5, F{1}, now); });
    ExpectRefused("Trim_Ctrl with no values",
                  [](DspLink& l, bool now) { return l.Trim_Ctrl(0, 0, 0, 0, F{}, now); });
    ExpectRefused("Mute_Ch_Ctrl",
                  [](DspLink& l, bool now) { return l.Mute_Ch_Ctrl(0, 0, 0, 11, I(11, 1), now); });
    ExpectRefused("Mix_Ch_Ctrl",
                  [](DspLink& l, bool now) { return l.Mix_Ch_Ctrl(0, 0, 0, 1, I{1}, now); });
    ExpectRefused("Input_Mix_Trim_Ctrl", [](DspLink& l, bool now) {
        return l.Input_Mix_Trim_Ctrl(0, 0, 0, 0, 2, I{1, 2}, now);
    });
    ExpectRefused("Compressor_Ctrl2", [](DspLink& l, bool now) {
        const std::vector<CompressorChannel> c(1);
        return l.Compressor_Ctrl2(0, 0, 0, 1, c, now);
    });
    ExpectRefused("range across the whole int span", [](DspLink& l, bool now) {
        return l.Phase_Ctrl(0, 0, INT_MIN, INT_MAX, I{1, 1}, now);
    });
}

TEST(DspCommandsRefusal, PayloadOverOneFrameSendsNothing) {
    ExpectRefused("Delay_Ctrl 18 channels",
                  [](DspLink& l, bool now) { return l.Delay_Ctrl(0, 0, 0, 17, F(18, 1.0f), now); });
    ExpectRefused("Compressor_Ctrl2 9 channels", [](DspLink& l, bool now) {
        const std::vector<CompressorChannel> c(9);
        return l.Compressor_Ctrl2(0, 0, 0, 8, c, now);
    });
    ExpectRefused("Mix_Ch_Ctrl 27 u16 masks",
                  [](DspLink& l, bool now) { return l.Mix_Ch_Ctrl(0, 0, 0, 26, I(27, 1), now); });
    ExpectRefused("CH_Link_Ctrl 28 pairs", [](DspLink& l, bool now) {
        const std::vector<std::pair<int, int>> pairs(28, {0, 1});
        return l.CH_Link_Ctrl(0, 1, pairs, now);
    });
    ExpectRefused("PEQ_Reset_Ctrl 55 channels",
                  [](DspLink& l, bool now) { return l.PEQ_Reset_Ctrl(0, 0, I(55, 0), now); });
    ExpectRefused("Output_Bridge_Ctrl 55 flags",
                  [](DspLink& l, bool now) { return l.Output_Bridge_Ctrl(0, 0, I(55, 0), now); });
    ExpectRefused("Input_Mix_Trim_Ctrl 53 outputs", [](DspLink& l, bool now) {
        return l.Input_Mix_Trim_Ctrl(0, 0, 0, 0, 52, I(53, 0), now);
    });
}

TEST(DspCommandsRefusal, NonFiniteValuesSendNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    ExpectRefused("EQ_Ctrl gain",
                  [&](DspLink& l, bool now) { return l.EQ_Ctrl(0, 0, 0, 0, 100, 1, nan, now); });
    ExpectRefused("EQ_Ctrl Q",
                  [&](DspLink& l, bool now) { return l.EQ_Ctrl(0, 0, 0, 0, 100, inf, 0, now); });
    ExpectRefused("Main_Volume_Ctrl",
                  [&](DspLink& l, bool now) { return l.Main_Volume_Ctrl(nan, now); });
    ExpectRefused("Delay_Ctrl", [&](DspLink& l, bool now) {
        return l.Delay_Ctrl(0, 0, 0, 1, F{1, inf}, now);
    });
    ExpectRefused("Trim_Ctrl",
                  [&](DspLink& l, bool now) { return l.Trim_Ctrl(0, 0, 0, 0, F{-inf}, now); });
    ExpectRefused("Compressor_Ctrl", [&](DspLink& l, bool now) {
        return l.Compressor_Ctrl(0, 0, 0, 0, 0, nan, 0, 0, 0, now);
    });
    ExpectRefused("Compressor_Ctrl2", [&](DspLink& l, bool now) {
        const std::vector<CompressorChannel> c{{nan, 0, 0}};
        return l.Compressor_Ctrl2(0, 0, 0, 0, c, now);
    });
}

TEST(DspCommandsRefusal, LargestPayloadsThatFitAreSent) {
    struct Case {
        const char* name;
        Call call;
        size_t payloadBytes;
    };
    const std::vector<Case> cases{
        {"Delay_Ctrl 17 channels",
         [](DspLink& l) { return l.Delay_Ctrl(0, 0, 0, 16, F(17, 1.0f), true); }, 55},
        {"Compressor_Ctrl2 8 channels",
         [](DspLink& l) {
             return l.Compressor_Ctrl2(0, 0, 0, 7, std::vector<CompressorChannel>(8), true);
         },
         52},
        {"CH_Link_Ctrl 27 pairs",
         [](DspLink& l) {
             return l.CH_Link_Ctrl(0, 1, std::vector<std::pair<int, int>>(27, {2, 3}), true);
         },
         57},
        {"PEQ_Reset_Ctrl 54 channels",
         [](DspLink& l) { return l.PEQ_Reset_Ctrl(0, 0, I(54, 1), true); }, 57},
        {"Input_Mix_Trim_Ctrl 52 outputs",
         [](DspLink& l) { return l.Input_Mix_Trim_Ctrl(0, 0, 0, 0, 51, I(52, 1), true); }, 57},
        {"Mix_Ch_Ctrl 26 u16 masks",
         [](DspLink& l) { return l.Mix_Ch_Ctrl(0, 0, 0, 25, I(26, 1), true); }, 56},
        {"Mix_Ch_Ctrl 53 byte masks",
         [](DspLink& l) {
             l.State().inputCount = 8;
             return l.Mix_Ch_Ctrl(0, 0, 0, 52, I(53, 1), true);
         },
         57},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        EXPECT_TRUE(c.call(*rig.link));
        const auto written = rig.script->Written();
        ASSERT_EQ(written.size(), 1u);
        EXPECT_EQ(written[0][3], c.payloadBytes + 3);
        // Checksum in place: the bytes from LEN through the checksum sum to 0 mod 256.
        unsigned sum = 0;
        for (size_t i = 3; i <= 7 + c.payloadBytes; ++i) {
            sum += written[0][i];
        }
        EXPECT_EQ(sum & 0xFF, 0u);
    }
}

TEST(DspCommandsQueue, WritesWithoutSendNowAreDroppedWhileAsyncModeIsOff) {
    Rig rig;
    EXPECT_FALSE(rig.link->EQ_Ctrl(0, 0, 3, 2, 1000, 2.5f, -3.5f, false));
    EXPECT_FALSE(rig.link->Delay_Ctrl(0, 0, 0, 1, F{1.25f, 0.0f}, false));
    EXPECT_FALSE(rig.link->Trim_Ctrl(0, 0, 0, 0, F{1}, false));
    EXPECT_FALSE(rig.link->Main_Volume_Ctrl(10, false));
    EXPECT_FALSE(rig.link->Get_Input_Threshold(0, 0, false));
    EXPECT_FALSE(rig.link->Get_Input_Noise(0, 7, false));
    EXPECT_TRUE(rig.link->QueueIdle());
    rig.PassTime(500);
    EXPECT_TRUE(rig.script->Written().empty());
}

TEST(DspCommandsQueue, AsyncModeQueuesAndTheWorkerSendsInOrder) {
    Rig rig;
    rig.link->SetAsyncMode(true);
    EXPECT_TRUE(rig.link->EQ_Ctrl(0, 0, 3, 2, 1000, 2.5f, -3.5f, false));
    EXPECT_TRUE(rig.link->Delay_Ctrl(0, 0, 0, 1, F{1.25f, 0.0f}, false));
    EXPECT_TRUE(rig.link->Get_Input_Noise(0, 7, false));
    ASSERT_TRUE(rig.WaitForWrites(3));
    const auto written = rig.script->Written();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(Hex(written[0]), Hex(Report(Dsp(0x06, W, {0, 0, 3, 2, 0x03, 0xE8, 2, 5, 0x0E, 5}))));
    EXPECT_EQ(Hex(written[1]), Hex(Report(Dsp(0x07, W, {0, 0, 0, 1, 1, 0, 0xFA, 0, 0, 0}))));
    EXPECT_EQ(Hex(written[2]), Hex(Report(Dsp(0x27, R, {0, 7}))));
}

TEST(DspCommandsQueue, ReadsSendAtOnceEvenInAsyncMode) {
    Rig rig;
    rig.link->SetAsyncMode(true);
    EXPECT_TRUE(rig.link->Get_Trim(0, 0, 0, 11));
    // Written by this thread before the call returned, not by the worker.
    ASSERT_EQ(rig.script->Written().size(), 1u);
    EXPECT_TRUE(rig.link->QueueIdle());
    EXPECT_TRUE(rig.link->Get_Input_Threshold(0, 2, true));
    ASSERT_EQ(rig.script->Written().size(), 2u);
    EXPECT_EQ(Hex(rig.script->Written()[1]), Hex(Report(Dsp(0x26, R, {0, 2}))));
}

TEST(DspCommandsTimeout, SilentDeviceFailsAfterTenSeconds) {
    const std::vector<std::pair<const char*, Call>> calls{
        {"Get_Main_Volume", [](DspLink& l) { return l.Get_Main_Volume(); }},
        {"Get_EQ", [](DspLink& l) { return l.Get_EQ(0, 0, 0, 0, 6); }},
        {"Trim_Ctrl", [](DspLink& l) { return l.Trim_Ctrl(0, 0, 0, 0, F{1}, true); }},
    };
    for (const auto& [name, call] : calls) {
        SCOPED_TRACE(name);
        ExpectTimesOut(call, 10000);
    }
}

TEST(DspCommandsLog, OperationsLogTheirLines) {
    Rig rig;
    LogCapture log("dsp_commands_test.log");
    rig.link->EQ_Ctrl(0, 0, 3, 2, 1000, 2.5f, -3.5f, true);
    rig.link->Filter_Ctrl(0, 0, 5, 2, 1, 80, 3, true);
    rig.link->Delay_Ctrl(0, 0, 4, 5, F{1.25f, 0.0f}, true);
    rig.link->Trim_Ctrl(1, 0, 0, 1, F{-3.0f, 2.5f}, true);
    rig.link->Get_EQ(0, 1, 3, 7, 13);
    rig.link->Get_Main_Volume();
    log.ExpectLines({
        "EQ_Ctrl: gain(-3.50) ,freqValue(1000) ,qValue(2.500000) @ band(2) @channel(3) "
        "@scene(0)\n",
        "Filter_Ctrl scene@(0), source(0), ch(5), iFilter(2), freq(80), slope(3), type(1)\n",
        "Delay_Ctrl: scene(0), channel(4), delay(1.250)\n",
        "Delay_Ctrl: scene(0), channel(5), delay(0.000)\n",
        "Trim_Ctrl: scene(1), channel(0), trim(-3.00)\n",
        "Trim_Ctrl: scene(1), channel(1), trim(2.50)\n",
        "Get_EQ: band(7) band_end(13) @channel(3) @source(1), scene(0)\n",
        "Get_Main_Volume\n",
    });
}

}  // namespace
