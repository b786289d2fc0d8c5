#include "profile_send.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "run_log.h"
#include "scene_operations.h"
#include "sources.h"
#include "value_ranges.h"

namespace model {
namespace {

constexpr bool kNow = true;
constexpr int kSource = 0;
constexpr int kLast = OUTPUT_CHANNELS - 1;
constexpr int kLowPass = 1;
constexpr int kHighPass = 2;
constexpr int kLiveScene = 0;

// Sends command by command and stops at the first that is not answered: a device that did not
// take one command after every try is not going to take the rest.
class Sender {
  public:
    Sender(dsplink::DspLink& link, const SendStopped& stopped) : mLink(link), mStopped(stopped) {}

    bool Stopped() const { return mFailed || (mStopped && mStopped()); }
    // Runs one command unless the send has stopped.
    template <typename Command>
    void Send(Command command) {
        if (!Stopped() && !command()) {
            mFailed = true;
        }
    }

    void MainVolume(const ProfileRecord& r) {
        // The amplifier takes the volume as attenuation from the top of the range.
        Send([&] {
            return mLink.Main_Volume_Ctrl(static_cast<float>(MAX_MAIN_VOLUME - r.mainVolume), kNow);
        });
        Send([&] { return mLink.Mute_Ctrl(r.mainVolumeMute, kNow); });
    }

    void FiltersAndBands(int scene, const ProfileRecord& r) {
        for (int out = 0; out < OUTPUT_CHANNELS && !Stopped(); ++out) {
            const OutputChannel& ch = r.channels[static_cast<size_t>(out)];
            const Crossover& x = ch.crossover;
            Send([&] {
                return mLink.Filter_Ctrl(scene, kSource, out, kLowPass, x.lp.type(), x.lp.fs(),
                                         x.lp.slope(), kNow);
            });
            Send([&] {
                return mLink.Filter_Ctrl(scene, kSource, out, kHighPass, x.hp.type(), x.hp.fs(),
                                         x.hp.slope(), kNow);
            });
            const EqBand* row = BandsOf(r, out);
            const int bands = std::clamp(ch.eqSize, 0, MAX_EQ_BANDS);
            for (int b = 0; b < bands; ++b) {
                Send([&] {
                    return mLink.EQ_Ctrl(scene, kSource, out, b, row[b].freq, row[b].eqFactor,
                                         row[b].eqGain, kNow);
                });
            }
        }
    }

    void ChannelValues(int scene, const ProfileRecord& r) {
        std::array<float, OUTPUT_CHANNELS> trims{}, delays{};
        std::array<int, OUTPUT_CHANNELS> mutes{}, phases{}, solos{}, bypass{};
        for (size_t i = 0; i < OUTPUT_CHANNELS; ++i) {
            const OutputChannel& ch = r.channels[i];
            trims[i] = 0.0f - ch.gain;  // attenuation, not gain
            delays[i] = ch.delay;
            mutes[i] = ch.mute;
            phases[i] = ch.phase;
            solos[i] = ch.solo;
            bypass[i] = ch.bypass;
        }
        Send([&] { return mLink.CH_Type_Ctrl(scene, kSource, 0, kLast, r.outputs, kNow); });
        Send([&] { return mLink.Trim_Ctrl(scene, kSource, 0, kLast, trims, kNow); });
        Send([&] { return mLink.Mute_Ch_Ctrl(scene, kSource, 0, kLast, mutes, kNow); });
        Send([&] { return mLink.Phase_Ctrl(scene, kSource, 0, kLast, phases, kNow); });
        Send([&] { return mLink.Solo_Ctrl(scene, kSource, 0, kLast, solos, kNow); });
        Send([&] { return mLink.Delay_Ctrl(scene, kSource, 0, kLast, delays, kNow); });
        Send([&] { return mLink.PEQ_Bypass_Ctrl(scene, kSource, 0, kLast, bypass, kNow); });
    }

    // Every source's routing: a file holds all nine, and a set's current source is not stored.
    void Routing(int scene, const ProfileRecord& r) {
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            Send([&] {
                return mLink.Mix_Ch_Ctrl(scene, s, 0, kLast, r.inputs[static_cast<size_t>(s)],
                                         kNow);
            });
        }
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            for (int row = 0; row < SourceInputCount(s); ++row) {
                const auto& stored =
                    r.inputMixVolume[static_cast<size_t>(s)][static_cast<size_t>(row)];
                // Levels travel as bytes; a record from a file may hold anything.
                std::array<int, OUTPUT_CHANNELS> levels{};
                for (size_t o = 0; o < OUTPUT_CHANNELS; ++o) {
                    levels[o] = ClampMixLevel(stored[o]);
                }
                Send([&] {
                    return mLink.Input_Mix_Trim_Ctrl(scene, s, row, 0, kLast, levels, kNow);
                });
            }
        }
    }

    void InputPhases(int scene, const ProfileRecord& r) {
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            const int count = SourceInputCount(s);
            if (count > 0) {
                const auto phases = std::span(r.inMixPhase[static_cast<size_t>(s)])
                                        .first(static_cast<size_t>(count));
                Send([&] { return mLink.Input_Phase_Ctrl(scene, s, 0, count - 1, phases, kNow); });
            }
        }
    }

    void LinkAndLock(int scene, const ProfileRecord& r) {
        std::vector<std::pair<int, int>> pairs;
        if (r.linkMode == 1) {
            for (int a = 0; a < OUTPUT_CHANNELS; ++a) {
                const int b = r.linkOutputs[static_cast<size_t>(a)];
                if (IsOutputIndex(b) && a < b) {
                    pairs.emplace_back(a, b);
                }
            }
        }
        Send([&] { return mLink.CH_Lock_Ctrl(scene, r.lockMode == 1 ? 1 : 0, kNow); });
        Send([&] { return mLink.CH_Link_Ctrl(scene, r.linkMode == 1 ? 1 : 0, pairs, kNow); });
    }

    void Settings(const ProfileRecord& r) {
        Send([&] { return mLink.Input_Ch_Threshold_Ctrl(r.inputThreshold, kNow); });
        Send([&] { return mLink.Set_Acc(r.acc, kNow); });
    }

    void Bridges(const ProfileRecord& r) {
        Send([&] { return mLink.Output_Bridge_Ctrl(kLiveScene, kSource, r.bridgeOutputs, kNow); });
    }

    void NameAndSave(int scene, const std::array<char, SCENE_NAME_BYTES>& field) {
        // The whole field as the file holds it, so a backup of the amplifier matches the file.
        std::array<std::uint8_t, SCENE_NAME_BYTES> bytes{};
        std::copy(field.begin(), field.end(), bytes.begin());
        Send([&] { return mLink.SetSceneName(scene, bytes); });
        Send([&] { return mLink.SaveScene(scene, 1); });
    }

    // The live set: everything the file holds for it.
    void Live(const ProfileRecord& r) {
        MainVolume(r);
        FiltersAndBands(kLiveScene, r);
        ChannelValues(kLiveScene, r);
        Routing(kLiveScene, r);
        InputPhases(kLiveScene, r);
        LinkAndLock(kLiveScene, r);
        Settings(r);
    }

  private:
    dsplink::DspLink& mLink;
    const SendStopped& mStopped;
    bool mFailed = false;
};

}  // namespace

bool SendSceneProfile(dsplink::DspLink& link, const ProfileRecord& live,
                      const SendProgress& progress, const SendStopped& stopped) {
    Sender send(link, stopped);
    send.Live(live);
    send.Bridges(live);
    if (send.Stopped()) {
        return false;
    }
    if (progress) {
        progress(1, 1);
    }
    return true;
}

bool SendWholeProfile(dsplink::DspLink& link, const ProfileRecord& live, const SceneTable& scenes,
                      const SendProgress& progress, const SendStopped& stopped) {
    constexpr int kSets = STORED_SCENES + 1;
    Sender send(link, stopped);
    for (int n = 1; n <= STORED_SCENES; ++n) {
        runlog::Log("set scene(%d)\n", n);
        const ProfileRecord& r = scenes.records[static_cast<size_t>(n - 1)];
        send.FiltersAndBands(n, r);
        send.ChannelValues(n, r);
        send.Routing(n, r);
        send.LinkAndLock(n, r);
        send.NameAndSave(n, scenes.names[static_cast<size_t>(n - 1)]);
        if (send.Stopped()) {
            return false;
        }
        if (progress) {
            progress(n, kSets);
        }
    }
    send.Live(live);
    if (send.Stopped()) {
        return false;
    }
    if (progress) {
        progress(kSets, kSets);
    }
    return true;
}

}  // namespace model
