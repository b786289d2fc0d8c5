#include "link/state_read.h"

#include <algorithm>

#include "shell/run_log.h"

namespace dsplink {

int ReadLiveState(DspLink& link, int eqBands) {
    constexpr int kScene = 0;
    constexpr int kSource = 0;
    constexpr int kLastOutput = 11;
    constexpr int kSources = 9;
    constexpr int kEqBlock = 7;
    int missing = 0;
    auto count = [&missing](bool answered) { missing += answered ? 0 : 1; };

    count(link.Get_Source());
    count(link.Get_Main_Volume());
    count(link.Get_Acc());
    count(link.Get_Subwoofer_Volume());
    count(link.Get_Mute());
    count(link.Get_Amp_Mute());
    count(link.Get_Rem_Out());
    count(link.Get_Spk_Ohm());
    count(link.Get_Noise_Gate());
    count(link.Get_Speaker_Config());
    count(link.Get_Scene_Valid());

    count(link.Get_Delay(kScene, kSource, 0, kLastOutput));
    count(link.Get_CH_Type(kScene, kSource, 0, kLastOutput));
    count(link.Get_Ch_Solo(kScene, kSource, 0, kLastOutput));
    count(link.Get_CH_Link(kScene));
    count(link.Get_CH_Lock(kScene));

    for (int first = 0; first <= kLastOutput; first += 4) {
        count(link.Get_Filter(kScene, kSource, first, first + 3));
    }
    count(link.Get_PEQ_Bypass(kScene, kSource, 0, kLastOutput));
    // Seven bands fill one reply frame.
    for (int output = 0; output <= kLastOutput; ++output) {
        for (int band = 0; band < eqBands; band += kEqBlock) {
            count(
                link.Get_EQ(kScene, kSource, output, band, std::min(band + kEqBlock, eqBands) - 1));
        }
    }
    count(link.Get_Trim(kScene, kSource, 0, kLastOutput));
    count(link.Get_Mute_Ch(kScene, kSource, 0, kLastOutput));
    count(link.Get_Phase(kScene, kSource, 0, kLastOutput));
    count(link.Get_Ch_Solo(kScene, kSource, 0, kLastOutput));

    for (int source = 0; source < kSources; ++source) {
        count(link.Get_Mix_Ch(kScene, source, 0, kLastOutput));
    }
    for (int source = 0; source < kSources; ++source) {
        for (int input = 0; input <= kSourceInputCounts[source] + 1; ++input) {
            count(link.Get_Input_Mix_CH_Trim(kScene, source, input, 0, kLastOutput));
        }
    }
    for (int source = 0; source < kSources; ++source) {
        count(link.Get_Mix_Source2(kScene, source, 0));
        count(link.Get_Mix_Source2(kScene, source, 1));
    }
    count(link.Get_Input_Threshold(kScene, kSource, true));
    for (int scene = 1; scene <= 10; ++scene) {
        count(link.Get_Scene_Name(scene));
    }
    count(link.Get_Ouput_Bridge(kScene, kSource, 6));
    return missing;
}

int ReadStoredScene(DspLink& link, int scene, const std::function<void(int ms)>& settle) {
    constexpr int kSource = 0;
    constexpr int kLast = 11;
    constexpr int kSources = 9;
    constexpr int kBands = 31;
    constexpr int kEqBlock = 7;
    int missing = 0;
    auto count = [&missing](bool answered) { missing += answered ? 0 : 1; };

    runlog::Log("read scene sceneId(%d)\n", scene);
    const bool switched = link.ReadScene(scene, 255);
    count(switched);
    // Nothing to wait for when the amplifier did not take the switch.
    if (switched && settle) {
        settle(kSceneSettleMs);
    }
    count(link.Get_CH_Type(scene, kSource, 0, kLast));
    count(link.Get_CH_Link(scene));
    count(link.Get_CH_Lock(scene));
    count(link.Get_Ch_Solo(scene, kSource, 0, kLast));
    for (int first = 0; first <= kLast; first += 4) {
        count(link.Get_Filter(scene, kSource, first, first + 3));
    }
    count(link.Get_PEQ_Bypass(scene, kSource, 0, kLast));
    for (int output = 0; output <= kLast; ++output) {
        for (int band = 0; band < kBands; band += kEqBlock) {
            count(link.Get_EQ(scene, kSource, output, band, std::min(band + kEqBlock, kBands) - 1));
        }
    }
    count(link.Get_Delay(scene, kSource, 0, kLast));
    count(link.Get_Trim(scene, kSource, 0, kLast));
    count(link.Get_Mute_Ch(scene, kSource, 0, kLast));
    count(link.Get_Ch_Solo(scene, kSource, 0, kLast));
    count(link.Get_Phase(scene, kSource, 0, kLast));
    for (int source = 0; source < kSources; ++source) {
        count(link.Get_Mix_Ch(scene, source, 0, kLast));
    }
    for (int source = 0; source < kSources; ++source) {
        for (int input = 0; input <= kSourceInputCounts[source] + 1; ++input) {
            count(link.Get_Input_Mix_CH_Trim(scene, source, input, 0, kLast));
        }
    }
    // The cross-source mix has no stored copy; it is read from the live set.
    for (int source = 0; source < kSources; ++source) {
        count(link.Get_Mix_Source2(0, source, 0));
        count(link.Get_Mix_Source2(0, source, 1));
    }
    for (int n = 1; n <= 9; ++n) {
        count(link.Get_Scene_Name(n));
    }
    return missing;
}

}  // namespace dsplink
