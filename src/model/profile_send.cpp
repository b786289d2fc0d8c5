#include "model/profile_send.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "link/encoding.h"
#include "model/compressor_operations.h"
#include "model/frequency.h"
#include "model/ktv_operations.h"
#include "model/mixer_operations.h"
#include "model/scene_operations.h"
#include "model/sources.h"
#include "model/value_ranges.h"
#include "shell/run_log.h"

namespace model {
namespace {

constexpr bool kNow = true;
constexpr int kSource = 0;
constexpr int kLast = OUTPUT_CHANNELS - 1;
constexpr int kLowPass = 1;
constexpr int kHighPass = 2;
constexpr int kLiveScene = 0;

using dsplink::Payload;
using dsplink::PayloadWriter;

// Values as the link writes them, so that two values compare as the amplifier would see them.
// A value the link refuses to encode (not finite, or too large for its steps) is an empty
// payload.
bool Encodable(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e9;
}
Payload ByteWire(int v) {
    return PayloadWriter().Byte(v).Take();
}
Payload PowerOffWire(int ms) {
    return PayloadWriter().U16(static_cast<uint32_t>(ms)).Take();
}
Payload TrimWire(float trim) {
    return Encodable(trim)
               ? PayloadWriter().Byte(static_cast<int>(dsplink::TruncSteps(trim))).Take()
               : Payload{};
}
Payload DelayWire(float ms) {
    return Encodable(ms) ? PayloadWriter().Delay(ms).Take() : Payload{};
}
Payload FilterWire(const CrossoverFilter& f) {
    return PayloadWriter().Byte(f.type()).U16(static_cast<uint32_t>(f.fs())).Byte(f.slope()).Take();
}

// A band as the EQ operations play it: the amplifier has no enable flag, so a disabled band
// plays flat.
struct PlayedBand {
    int freq;
    float q;
    float gain;
};
PlayedBand Played(const EqBand& b) {
    return {ClampFrequency(b.freq), ClampEqQ(b.eqFactor),
            b.enable != 0 ? ClampEqGain(b.eqGain) : 0.0f};
}
Payload BandWire(const EqBand& b) {
    const PlayedBand p = Played(b);
    return PayloadWriter()
        .U16(static_cast<uint32_t>(p.freq))
        .Tenths(p.q)
        .Tenths(static_cast<double>(p.gain) + 18.0)
        .Take();
}

// Device code of the current source as the input operations switch to it; -1 for none.
int SourceWire(const ProfileRecord& r) {
    return IsSourceIndex(r.currentSource) && IsSourceShown(r.currentSource)
               ? SourceDeviceCode(r.currentSource)
               : -1;
}

// The per-output values of a full send, as they go out.
struct ChannelRows {
    std::array<float, OUTPUT_CHANNELS> trims{}, delays{};
    std::array<int, OUTPUT_CHANNELS> mutes{}, phases{}, solos{}, bypass{};
};
ChannelRows RowsOf(const ProfileRecord& r) {
    ChannelRows rows;
    for (size_t i = 0; i < OUTPUT_CHANNELS; ++i) {
        const OutputChannel& ch = r.channels[i];
        rows.trims[i] = 0.0f - ch.gain;  // attenuation, not gain
        rows.delays[i] = ch.delay;
        rows.mutes[i] = ch.mute;
        rows.phases[i] = ch.phase;
        rows.solos[i] = ch.solo;
        rows.bypass[i] = ch.bypass;
    }
    return rows;
}

// Levels travel as bytes; a record from a file may hold anything.
std::array<int, OUTPUT_CHANNELS> MixLevels(const ProfileRecord& r, int source, int row) {
    const auto& stored = r.inputMixVolume[static_cast<size_t>(source)][static_cast<size_t>(row)];
    std::array<int, OUTPUT_CHANNELS> levels{};
    for (size_t o = 0; o < OUTPUT_CHANNELS; ++o) {
        levels[o] = ClampMixLevel(stored[o]);
    }
    return levels;
}

// The phases of the inputs the source has.
std::span<const int> UsedInputPhases(const ProfileRecord& r, int source) {
    return std::span(r.inMixPhase[static_cast<size_t>(source)])
        .first(static_cast<size_t>(SourceInputCount(source)));
}

int LockWire(const ProfileRecord& r) {
    return r.lockMode == 1 ? 1 : 0;
}
int LinkWire(const ProfileRecord& r) {
    return r.linkMode == 1 ? 1 : 0;
}
std::vector<std::pair<int, int>> LinkPairs(const ProfileRecord& r) {
    std::vector<std::pair<int, int>> pairs;
    if (r.linkMode == 1) {
        for (int a = 0; a < OUTPUT_CHANNELS; ++a) {
            const int b = r.linkOutputs[static_cast<size_t>(a)];
            if (IsOutputIndex(b) && a < b) {
                pairs.emplace_back(a, b);
            }
        }
    }
    return pairs;
}

// Sends command by command and stops at the first that is not answered: a device that did not
// take one command after every try is not going to take the rest.
class Sender {
  public:
    // now: wait for each answer; otherwise queue.
    Sender(dsplink::DspLink& link, bool now, const SendStopped& stopped)
        : mLink(link), mNow(now), mStopped(stopped) {}

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
            return mLink.Main_Volume_Ctrl(static_cast<float>(MAX_MAIN_VOLUME - r.mainVolume), mNow);
        });
        Send([&] { return mLink.Mute_Ctrl(r.mainVolumeMute, mNow); });
    }

    void FiltersAndBands(int scene, const ProfileRecord& r) {
        for (int out = 0; out < OUTPUT_CHANNELS && !Stopped(); ++out) {
            const OutputChannel& ch = r.channels[static_cast<size_t>(out)];
            Filter(scene, out, kLowPass, ch.crossover.lp);
            Filter(scene, out, kHighPass, ch.crossover.hp);
            const EqBand* row = BandsOf(r, out);
            const int bands = std::clamp(ch.eqSize, 0, MAX_EQ_BANDS);
            for (int b = 0; b < bands; ++b) {
                Send([&] {
                    return mLink.EQ_Ctrl(scene, kSource, out, b, row[b].freq, row[b].eqFactor,
                                         row[b].eqGain, mNow);
                });
            }
        }
    }

    void ChannelValues(int scene, const ProfileRecord& r) {
        const ChannelRows rows = RowsOf(r);
        Send([&] { return mLink.CH_Type_Ctrl(scene, kSource, 0, kLast, r.outputs, mNow); });
        Send([&] { return mLink.Trim_Ctrl(scene, kSource, 0, kLast, rows.trims, mNow); });
        Send([&] { return mLink.Mute_Ch_Ctrl(scene, kSource, 0, kLast, rows.mutes, mNow); });
        Send([&] { return mLink.Phase_Ctrl(scene, kSource, 0, kLast, rows.phases, mNow); });
        Send([&] { return mLink.Solo_Ctrl(scene, kSource, 0, kLast, rows.solos, mNow); });
        Send([&] { return mLink.Delay_Ctrl(scene, kSource, 0, kLast, rows.delays, mNow); });
        Send([&] { return mLink.PEQ_Bypass_Ctrl(scene, kSource, 0, kLast, rows.bypass, mNow); });
    }

    // Every source's routing: a file holds all nine, and a set's current source is not stored.
    void Routing(int scene, const ProfileRecord& r) {
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            Send([&] {
                return mLink.Mix_Ch_Ctrl(scene, s, 0, kLast, r.inputs[static_cast<size_t>(s)],
                                         mNow);
            });
        }
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            for (int row = 0; row < SourceInputCount(s); ++row) {
                const auto levels = MixLevels(r, s, row);
                Send([&] {
                    return mLink.Input_Mix_Trim_Ctrl(scene, s, row, 0, kLast, levels, mNow);
                });
            }
        }
    }

    void InputPhases(int scene, const ProfileRecord& r) {
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            const auto phases = UsedInputPhases(r, s);
            if (!phases.empty()) {
                const int last = static_cast<int>(phases.size()) - 1;
                Send([&] { return mLink.Input_Phase_Ctrl(scene, s, 0, last, phases, mNow); });
            }
        }
    }

    void LinkAndLock(int scene, const ProfileRecord& r) {
        Lock(scene, r);
        Link(scene, r, LinkPairs(r));
    }

    void Settings(const ProfileRecord& r) {
        Send([&] { return mLink.Input_Ch_Threshold_Ctrl(r.inputThreshold, mNow); });
        Send([&] { return mLink.Set_Acc(r.acc, mNow); });
    }

    void Bridges(const ProfileRecord& r) {
        Send([&] { return mLink.Output_Bridge_Ctrl(kLiveScene, kSource, r.bridgeOutputs, mNow); });
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

    // The live-set commands whose values differ between a and b, carrying b's values, each
    // encoded as the user operation that changes the value sends it.
    void Difference(const ProfileRecord& a, const ProfileRecord& b) {
        const bool switched = SourceWire(b) >= 0 && SourceWire(a) != SourceWire(b);
        if (switched) {
            Send([&] { return mLink.Source_Switch_Ctrl(SourceWire(b), mNow); });
        }
        // After a switch the amplifier plays the new source's own volume.
        if (switched || ByteWire(MainVolumeWire(a)) != ByteWire(MainVolumeWire(b))) {
            Send([&] {
                return mLink.Main_Volume_Ctrl(static_cast<float>(MainVolumeWire(b)), mNow);
            });
        }
        if (ByteWire(a.mainVolumeMute) != ByteWire(b.mainVolumeMute)) {
            Send([&] { return mLink.Mute_Ctrl(b.mainVolumeMute, mNow); });
        }
        if ((a.ampOn != 0) != (b.ampOn != 0)) {
            Send([&] { return mLink.Amp_Mute_Ctrl(b.ampOn != 0 ? 0 : 1, mNow); });
        }
        if ((a.remOut1 != 0) != (b.remOut1 != 0) || (a.remOut2 != 0) != (b.remOut2 != 0)) {
            Send([&] {
                return mLink.Rem_Out_Ctrl(b.remOut1 != 0 ? 1 : 0, b.remOut2 != 0 ? 1 : 0, mNow);
            });
        }
        if (ByteWire(a.spkOhm) != ByteWire(b.spkOhm)) {
            Send([&] { return mLink.Spk_Ohm_Ctrl(b.spkOhm, mNow); });
        }
        if (ByteWire(a.noiseGate) != ByteWire(b.noiseGate)) {
            Send([&] { return mLink.Noise_Gate_Ctrl(b.noiseGate, mNow); });
        }
        ChannelDifference(a, b);
        FilterAndBandDifference(a, b);
        RoutingDifference(a, b);
        LinkAndLockDifference(a, b);
        if (ByteWire(a.inputThreshold) != ByteWire(b.inputThreshold)) {
            Send([&] { return mLink.Input_Ch_Threshold_Ctrl(b.inputThreshold, mNow); });
        }
        if (ByteWire(a.acc) != ByteWire(b.acc)) {
            Send([&] { return mLink.Set_Acc(b.acc, mNow); });
        }
        if (PowerOffWire(a.powerOffDelay) != PowerOffWire(b.powerOffDelay)) {
            Send([&] { return mLink.Set_Power_Off_Time(b.powerOffDelay, mNow); });
        }
        // One command carries every pair.
        if (!std::ranges::equal(a.bridgeOutputs, b.bridgeOutputs, {}, ByteWire, ByteWire)) {
            Bridges(b);
        }
        // Compressors and KTV values, as the compressor and KTV operations send them.
        for (int out = 0; out < OUTPUT_CHANNELS; ++out) {
            const CompressorSettings c = WireCompressor(CompressorOf(b, out));
            if (WireCompressor(CompressorOf(a, out)) != c) {
                Send([&] {
                    return mLink.Compressor_Ctrl(kLiveScene, kSource, out, c.bypass, c.threshold,
                                                 c.ratio, c.knee, c.attack, c.release, mNow);
                });
            }
        }
        std::array<int, OUTPUT_CHANNELS> onA{}, onB{};
        for (size_t i = 0; i < OUTPUT_CHANNELS; ++i) {
            onA[i] = a.channels[i].compressorOn != 0 ? 1 : 0;
            onB[i] = b.channels[i].compressorOn != 0 ? 1 : 0;
        }
        ChangedRuns(onA, onB, ByteWire, [&](int f, int l, std::span<const int> v) {
            return mLink.Compressor_Ch_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        for (int k = 0; k < KTV_VALUE_COUNT; ++k) {
            const auto which = static_cast<KtvValue>(k);
            const KtvRange range = KtvRangeOf(which);
            const int from = std::clamp(KtvValueOf(a.ktv, which), range.min, range.max);
            const int to = std::clamp(KtvValueOf(b.ktv, which), range.min, range.max);
            if (from != to) {
                Send([&] { return SendKtvValue(mLink, which, to, mNow); });
            }
        }
    }

  private:
    // As the input operations send it: clamped, then attenuation from the top.
    static int MainVolumeWire(const ProfileRecord& r) {
        return MAX_MAIN_VOLUME - ClampMainVolume(r.mainVolume);
    }

    void Filter(int scene, int out, int side, const CrossoverFilter& f) {
        Send([&] {
            return mLink.Filter_Ctrl(scene, kSource, out, side, f.type(), f.fs(), f.slope(), mNow);
        });
    }
    void Lock(int scene, const ProfileRecord& r) {
        Send([&] { return mLink.CH_Lock_Ctrl(scene, LockWire(r), mNow); });
    }
    void Link(int scene, const ProfileRecord& r, const std::vector<std::pair<int, int>>& pairs) {
        Send([&] { return mLink.CH_Link_Ctrl(scene, LinkWire(r), pairs, mNow); });
    }

    // One command per maximal run of items whose wire value differs, carrying b's values.
    template <typename Values, typename WireOf, typename Command>
    void ChangedRuns(const Values& a, const Values& b, WireOf wire, Command command) {
        const std::span to(b);
        const int n = static_cast<int>(to.size());
        auto differs = [&](int i) {
            return wire(a[static_cast<size_t>(i)]) != wire(b[static_cast<size_t>(i)]);
        };
        for (int first = 0; first < n && !Stopped(); ++first) {
            if (!differs(first)) {
                continue;
            }
            int last = first;
            while (last + 1 < n && differs(last + 1)) {
                ++last;
            }
            const auto values =
                to.subspan(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
            Send([&] { return command(first, last, values); });
            first = last;
        }
    }

    void ChannelDifference(const ProfileRecord& a, const ProfileRecord& b) {
        const ChannelRows ra = RowsOf(a), rb = RowsOf(b);
        using Ints = std::span<const int>;
        using Floats = std::span<const float>;
        // The type goes first, as a type edit sends it before the crossover it brings.
        ChangedRuns(a.outputs, b.outputs, ByteWire, [&](int f, int l, Ints v) {
            return mLink.CH_Type_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        ChangedRuns(ra.trims, rb.trims, TrimWire, [&](int f, int l, Floats v) {
            return mLink.Trim_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        ChangedRuns(ra.mutes, rb.mutes, ByteWire, [&](int f, int l, Ints v) {
            return mLink.Mute_Ch_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        ChangedRuns(ra.phases, rb.phases, ByteWire, [&](int f, int l, Ints v) {
            return mLink.Phase_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        ChangedRuns(ra.solos, rb.solos, ByteWire, [&](int f, int l, Ints v) {
            return mLink.Solo_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        ChangedRuns(ra.delays, rb.delays, DelayWire, [&](int f, int l, Floats v) {
            return mLink.Delay_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
        ChangedRuns(ra.bypass, rb.bypass, ByteWire, [&](int f, int l, Ints v) {
            return mLink.PEQ_Bypass_Ctrl(kLiveScene, kSource, f, l, v, mNow);
        });
    }

    void FilterAndBandDifference(const ProfileRecord& a, const ProfileRecord& b) {
        for (int out = 0; out < OUTPUT_CHANNELS && !Stopped(); ++out) {
            const Crossover& xa = a.channels[static_cast<size_t>(out)].crossover;
            const Crossover& xb = b.channels[static_cast<size_t>(out)].crossover;
            if (FilterWire(xa.lp) != FilterWire(xb.lp)) {
                Filter(kLiveScene, out, kLowPass, xb.lp);
            }
            if (FilterWire(xa.hp) != FilterWire(xb.hp)) {
                Filter(kLiveScene, out, kHighPass, xb.hp);
            }
            // Bands a's count left out were never sent, so the amplifier's are unknown.
            const int sentBefore =
                std::clamp(a.channels[static_cast<size_t>(out)].eqSize, 0, MAX_EQ_BANDS);
            const int bands =
                std::clamp(b.channels[static_cast<size_t>(out)].eqSize, 0, MAX_EQ_BANDS);
            const EqBand* rowA = BandsOf(a, out);
            const EqBand* rowB = BandsOf(b, out);
            for (int band = 0; band < bands; ++band) {
                if (band < sentBefore && BandWire(rowA[band]) == BandWire(rowB[band])) {
                    continue;
                }
                const PlayedBand p = Played(rowB[band]);
                Send([&] {
                    return mLink.EQ_Ctrl(kLiveScene, kSource, out, band, p.freq, p.q, p.gain, mNow);
                });
            }
        }
    }

    void RoutingDifference(const ProfileRecord& a, const ProfileRecord& b) {
        // As Mix_Ch_Ctrl puts a mask on the wire: one byte unless the amplifier has 9+ inputs.
        const bool wide = mLink.State().inputCount >= 9;
        auto maskWire = [wide](int mask) {
            return wide ? PayloadWriter().U16(static_cast<uint32_t>(mask)).Take() : ByteWire(mask);
        };
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            const size_t si = static_cast<size_t>(s);
            ChangedRuns(a.inputs[si], b.inputs[si], maskWire,
                        [&](int f, int l, std::span<const int> v) {
                            return mLink.Mix_Ch_Ctrl(kLiveScene, s, f, l, v, mNow);
                        });
        }
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            // The mixer also levels the vice inputs, numbered after the source's own.
            for (int row = 0; row < MixerTouchedInputs(s); ++row) {
                ChangedRuns(MixLevels(a, s, row), MixLevels(b, s, row), ByteWire,
                            [&](int f, int l, std::span<const int> v) {
                                return mLink.Input_Mix_Trim_Ctrl(kLiveScene, s, row, f, l, v, mNow);
                            });
            }
        }
        for (int s = 0; s < INPUT_SOURCES; ++s) {
            ChangedRuns(MixerPhases(a, s), MixerPhases(b, s), ByteWire,
                        [&](int f, int l, std::span<const int> v) {
                            return mLink.Input_Phase_Ctrl(kLiveScene, s, f, l, v, mNow);
                        });
        }
        ViceDifference(a, b);
    }

    static std::span<const int> MixerPhases(const ProfileRecord& r, int source) {
        return std::span(r.inMixPhase[static_cast<size_t>(source)])
            .first(static_cast<size_t>(MixerTouchedInputs(source)));
    }

    // As the mixer sends them: a gain change carries the whole vice input, a source or
    // channel change alone goes with the shorter command.
    void ViceDifference(const ProfileRecord& a, const ProfileRecord& b) {
        for (size_t s = 0; s < INPUT_SOURCES && !Stopped(); ++s) {
            for (size_t in = 0; in < INPUT_ROWS; ++in) {
                const int source = ViceSourceWire(b.viceSource[s][in]);
                const int channel = b.viceChannel[s][in];
                const int gain = ViceGainWire(b.viceGain[s][in]);
                const int si = static_cast<int>(s);
                const int ii = static_cast<int>(in);
                if (ViceGainWire(a.viceGain[s][in]) != gain) {
                    Send([&] {
                        return mLink.Cross_Source_Mix_Ctrl(kLiveScene, si, ii, source, channel,
                                                           gain, mNow);
                    });
                } else if (ViceSourceWire(a.viceSource[s][in]) != source ||
                           ByteWire(a.viceChannel[s][in]) != ByteWire(channel)) {
                    Send([&] {
                        return mLink.Cross_Source_Mix_Ctrl_CS47048(kLiveScene, si, source, channel,
                                                                   ii, mNow);
                    });
                }
            }
        }
    }

    void LinkAndLockDifference(const ProfileRecord& a, const ProfileRecord& b) {
        const auto pairs = LinkPairs(b);
        const bool link = LinkWire(a) != LinkWire(b) || LinkPairs(a) != pairs;
        const bool lock = LockWire(a) != LockWire(b);
        // A link needs the lock: lock before linking, unlink before unlocking.
        if (lock && LockWire(b) == 1) {
            Lock(kLiveScene, b);
        }
        if (link) {
            Link(kLiveScene, b, pairs);
        }
        if (lock && LockWire(b) != 1) {
            Lock(kLiveScene, b);
        }
    }

    dsplink::DspLink& mLink;
    const bool mNow;
    const SendStopped& mStopped;
    bool mFailed = false;
};

}  // namespace

bool SendSceneProfile(dsplink::DspLink& link, const ProfileRecord& live,
                      const SendProgress& progress, const SendStopped& stopped) {
    Sender send(link, kNow, stopped);
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
    Sender send(link, kNow, stopped);
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

bool SendProfileDifference(dsplink::DspLink& link, const ProfileRecord& from,
                           const ProfileRecord& to, bool now, const SendStopped& stopped) {
    Sender send(link, now, stopped);
    send.Difference(from, to);
    return !send.Stopped();
}

}  // namespace model
