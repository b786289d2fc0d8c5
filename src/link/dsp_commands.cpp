// The audio path operations: one CMD_DSP frame per call. Writes take the send-at-once flag;
// reads send at once, except the two input meter reads that may be queued.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

#include "link/command_payloads.h"
#include "link/dsp_link.h"
#include "link/encoding.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {
namespace {

using payloads::Bytes;

// A value whose step count would not fit an integer has no encoding; it is refused rather than
// sent as whatever an out-of-range conversion gives.
bool Encodable(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e9;
}
bool Encodable(int) {
    return true;
}
bool Encodable(const CompressorChannel& c) {
    return Encodable(c.threshold);
}

bool Refuse(const char* op, const char* why) {
    runlog::Log("%s: %s, nothing sent\n", op, why);
    return false;
}

// A payload longer than one frame is refused rather than cut.
bool FitsOneFrame(const char* op, size_t size) {
    if (size > kMaxPayload) {
        runlog::Log("%s: payload of %zu bytes does not fit in one frame, nothing sent\n", op, size);
        return false;
    }
    return true;
}

// The head bytes, then one item per channel from first to last (none when last < first). A span
// shorter than the range or a payload longer than one frame gives nothing: the caller sends
// nothing rather than read past the span or cut the frame.
template <typename T, typename Encode>
std::optional<Payload> ChannelBlock(const char* op, std::initializer_list<int> head, int first,
                                    int last, std::span<const T> values, size_t itemBytes,
                                    Encode encode) {
    const int64_t count = last < first ? 0 : int64_t{last} - first + 1;
    if (static_cast<uint64_t>(count) > values.size()) {
        runlog::Log("%s: range %d..%d needs %lld values, got %zu, nothing sent\n", op, first, last,
                    static_cast<long long>(count), values.size());
        return std::nullopt;
    }
    if (!FitsOneFrame(op, head.size() + static_cast<size_t>(count) * itemBytes)) {
        return std::nullopt;
    }
    for (int64_t i = 0; i < count; ++i) {
        if (!Encodable(values[static_cast<size_t>(i)])) {
            Refuse(op, "value cannot be encoded");
            return std::nullopt;
        }
    }
    PayloadWriter w;
    for (int h : head) {
        w.Byte(h);
    }
    for (int64_t i = 0; i < count; ++i) {
        encode(w, static_cast<int>(first + i), values[static_cast<size_t>(i)]);
    }
    return w.Take();
}

// Head bytes, a count byte, then the items: for the writes that list their channels.
template <typename T, typename Encode>
std::optional<Payload> CountedList(const char* op, std::initializer_list<int> head,
                                   std::span<const T> items, size_t itemBytes, Encode encode) {
    if (!FitsOneFrame(op, head.size() + 1 + items.size() * itemBytes)) {
        return std::nullopt;
    }
    PayloadWriter w;
    for (int h : head) {
        w.Byte(h);
    }
    w.Byte(static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        encode(w, static_cast<int>(i), items[i]);
    }
    return w.Take();
}

}  // namespace

// ---- Writes ----

bool DspLink::Source_Switch_Ctrl(int source, bool sendNow) {
    runlog::Log("Source_Switch_Ctrl: source(%d)\n", source);
    return Issue(CMD_DSP, DSP_SOURCE_SWITCH, OP_WRITE, Bytes({source}), sendNow);
}

bool DspLink::Main_Volume_Ctrl(float volume, bool sendNow) {
    runlog::Log("Main_Volume_Ctrl: volume(%.2f)\n", volume);
    if (!Encodable(volume)) {
        return Refuse("Main_Volume_Ctrl", "value cannot be encoded");
    }
    const int whole = static_cast<int>(TruncSteps(volume));
    return Issue(CMD_DSP, DSP_VOLUME, OP_WRITE, Bytes({whole}), sendNow);
}

bool DspLink::Mute_Ctrl(int mute, bool sendNow) {
    runlog::Log("Mute_Ctrl: mute(%d)\n", mute);
    return Issue(CMD_DSP, DSP_MUTE, OP_WRITE, Bytes({mute}), sendNow);
}

bool DspLink::Filter_Ctrl(int scene, int source, int channel, int filterIndex, int type, int freq,
                          int slope, bool sendNow) {
    runlog::Log(
        "Filter_Ctrl scene@(%d), source(%d), ch(%d), iFilter(%d), freq(%d), slope(%d), "
        "type(%d)\n",
        scene, source, channel, filterIndex, freq, slope, type);
    PayloadWriter w;
    w.Byte(scene).Byte(source).Byte(channel).Byte(filterIndex).Byte(type);
    w.U16(static_cast<uint32_t>(freq)).Byte(slope);
    return Issue(CMD_DSP, DSP_FILTER_SET, OP_WRITE, w.Take(), sendNow);
}

bool DspLink::EQ_Ctrl(int scene, int source, int channel, int band, int freq, float q, float gain,
                      bool sendNow) {
    runlog::Log(
        "EQ_Ctrl: gain(%.2f) ,freqValue(%d) ,qValue(%f) @ band(%d) @channel(%d) @scene(%d)\n", gain,
        freq, q, band, channel, scene);
    if (!Encodable(q) || !Encodable(gain)) {
        return Refuse("EQ_Ctrl", "value cannot be encoded");
    }
    PayloadWriter w;
    w.Byte(scene).Byte(source).Byte(channel).Byte(band).U16(static_cast<uint32_t>(freq));
    // Gain travels offset by 18 dB so that the pair stays positive over the usable range.
    w.Tenths(q).Tenths(static_cast<double>(gain) + 18.0);
    return Issue(CMD_DSP, DSP_EQ_CH, OP_WRITE, w.Take(), sendNow);
}

bool DspLink::Delay_Ctrl(int scene, int source, int first, int last, std::span<const float> delays,
                         bool sendNow) {
    auto payload = ChannelBlock("Delay_Ctrl", {scene, source, first, last}, first, last, delays, 3,
                                [&](PayloadWriter& w, int channel, float delay) {
                                    runlog::Log("Delay_Ctrl: scene(%d), channel(%d), delay(%.3f)\n",
                                                scene, channel, delay);
                                    w.Delay(delay);
                                });
    return payload && Issue(CMD_DSP, DSP_DELAY_CH, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Trim_Ctrl(int scene, int source, int first, int last, std::span<const float> trims,
                        bool sendNow) {
    auto payload = ChannelBlock("Trim_Ctrl", {scene, source, first, last}, first, last, trims, 1,
                                [&](PayloadWriter& w, int channel, float trim) {
                                    runlog::Log("Trim_Ctrl: scene(%d), channel(%d), trim(%.2f)\n",
                                                scene, channel, trim);
                                    w.Byte(static_cast<int>(TruncSteps(trim)));
                                });
    return payload && Issue(CMD_DSP, DSP_TRIM_CH, OP_WRITE, std::move(*payload), sendNow);
}

namespace {

// The channel-block writes whose item is one byte per channel, logged one line per channel.
std::optional<Payload> ByteBlock(const char* op, const char* field, int scene, int source,
                                 int first, int last, std::span<const int> values) {
    return ChannelBlock(op, {scene, source, first, last}, first, last, values, 1,
                        [&](PayloadWriter& w, int channel, int value) {
                            runlog::Log("%s: scene(%d), source(%d), channel(%d), %s(%d)\n", op,
                                        scene, source, channel, field, value);
                            w.Byte(value);
                        });
}

}  // namespace

bool DspLink::Mute_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> mutes,
                           bool sendNow) {
    auto payload = ByteBlock("Mute_Ch_Ctrl", "mute", scene, source, first, last, mutes);
    return payload && Issue(CMD_DSP, DSP_MUTE_CH, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Phase_Ctrl(int scene, int source, int first, int last, std::span<const int> phases,
                         bool sendNow) {
    auto payload = ByteBlock("Phase_Ctrl", "phase", scene, source, first, last, phases);
    return payload && Issue(CMD_DSP, DSP_PHASE_CH, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Mix_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> masks,
                          bool sendNow) {
    // One bit per input: a byte holds at most eight of them.
    const bool wide = State().inputCount >= 9;
    auto payload = ChannelBlock("Mix_Ch_Ctrl", {scene, source, first, last}, first, last, masks,
                                wide ? 2 : 1, [&](PayloadWriter& w, int channel, int mask) {
                                    runlog::Log(
                                        "Mix_Ch_Ctrl: scene(%d), source(%d), channel(%d), "
                                        "mask(0x%04x)\n",
                                        scene, source, channel, static_cast<unsigned>(mask));
                                    if (wide) {
                                        w.U16(static_cast<uint32_t>(mask));
                                    } else {
                                        w.Byte(mask);
                                    }
                                });
    return payload && Issue(CMD_DSP, DSP_MIX_CH, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::CH_Type_Ctrl(int scene, int source, int first, int last, std::span<const int> types,
                           bool sendNow) {
    auto payload = ByteBlock("CH_Type_Ctrl", "type", scene, source, first, last, types);
    return payload && Issue(CMD_DSP, DSP_CH_TYPE, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::CH_Link_Ctrl(int scene, int link, std::span<const std::pair<int, int>> pairs,
                           bool sendNow) {
    runlog::Log("CH_Link_Ctrl: scene(%d), link(%d), count(%zu)\n", scene, link, pairs.size());
    auto payload = CountedList("CH_Link_Ctrl", {scene, link}, pairs, 2,
                               [](PayloadWriter& w, int, const std::pair<int, int>& pair) {
                                   runlog::Log("CH_Link_Ctrl: from ch(%d) to ch(%d)\n", pair.first,
                                               pair.second);
                                   w.Byte(pair.first).Byte(pair.second);
                               });
    return payload && Issue(CMD_DSP, DSP_CH_LINK, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::CH_Lock_Ctrl(int scene, int lock, bool sendNow) {
    runlog::Log("CH_Lock_Ctrl: scene(%d), lock(%d)\n", scene, lock);
    return Issue(CMD_DSP, DSP_CH_LOCK, OP_WRITE, Bytes({scene, lock}), sendNow);
}

bool DspLink::PEQ_Reset_Ctrl(int scene, int source, std::span<const int> channels, bool sendNow) {
    runlog::Log("PEQ_Reset_Ctrl: scene(%d), source(%d), count(%zu)\n", scene, source,
                channels.size());
    auto payload = CountedList("PEQ_Reset_Ctrl", {scene, source}, channels, 1,
                               [](PayloadWriter& w, int, int channel) {
                                   runlog::Log("PEQ_Reset_Ctrl: channel(%d)\n", channel);
                                   w.Byte(channel);
                               });
    return payload && Issue(CMD_DSP, DSP_EQ_RESET, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::PEQ_Bypass_Ctrl(int scene, int source, int first, int last,
                              std::span<const int> bypass, bool sendNow) {
    auto payload = ByteBlock("PEQ_Bypass_Ctrl", "bypass", scene, source, first, last, bypass);
    return payload && Issue(CMD_DSP, DSP_EQ_BYPASS, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Input_Phase_Ctrl(int scene, int source, int first, int last,
                               std::span<const int> phases, bool sendNow) {
    auto payload = ByteBlock("Input_Phase_Ctrl", "phase", scene, source, first, last, phases);
    return payload && Issue(CMD_DSP, DSP_INPUT_CH_PHASE, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Input_Mix_Trim_Ctrl(int scene, int source, int input, int firstOutput, int lastOutput,
                                  std::span<const int> trims, bool sendNow) {
    auto payload = ChannelBlock(
        "Input_Mix_Trim_Ctrl", {scene, source, input, firstOutput, lastOutput}, firstOutput,
        lastOutput, trims, 1, [&](PayloadWriter& w, int output, int trim) {
            runlog::Log(
                "Input_Mix_Trim_Ctrl: scene(%d), source(%d), input(%d), output(%d), "
                "trim(%d)\n",
                scene, source, input, output, trim);
            w.Byte(trim);
        });
    return payload && Issue(CMD_DSP, DSP_INPUT_MIX_CH_TRIM, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Input_Ch_Threshold_Ctrl(int threshold, bool sendNow) {
    runlog::Log("Input_Ch_Threshold_Ctrl: threshold(%d)\n", threshold);
    return Issue(CMD_DSP, DSP_INPUT_THRESHOLD, OP_WRITE, Bytes({threshold}), sendNow);
}

bool DspLink::Solo_Ctrl(int scene, int source, int first, int last, std::span<const int> solo,
                        bool sendNow) {
    auto payload = ByteBlock("Solo_Ctrl", "solo", scene, source, first, last, solo);
    return payload && Issue(CMD_DSP, DSP_CH_SOLO, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Set_AUTO_ON(int selector, int on, bool sendNow) {
    runlog::Log("Set_AUTO_ON: selector(%d), on(%d)\n", selector, on);
    return Issue(CMD_DSP, DSP_AUTO_EFFECTION_ON_OFF_CONTROL, OP_WRITE, Bytes({selector, on}),
                 sendNow);
}

bool DspLink::Compressor_Ctrl(int scene, int source, int channel, int bypass, float noise,
                              float ratio, float knee, int attack, int release, bool sendNow) {
    runlog::Log(
        "Compressor_Ctrl: scene(%d), source(%d), channel(%d), bypass(%d), noise(%.1f), "
        "ratio(%.1f), knee(%.1f), attack(%d), release(%d)\n",
        scene, source, channel, bypass, noise, ratio, knee, attack, release);
    if (!Encodable(noise) || !Encodable(ratio) || !Encodable(knee)) {
        return Refuse("Compressor_Ctrl", "value cannot be encoded");
    }
    PayloadWriter w;
    w.Byte(scene).Byte(source).Byte(channel).Byte(bypass);
    // The threshold travels offset by 100 dB so that the pair stays positive.
    w.Tenths(static_cast<double>(noise) + 100.0).Tenths(ratio).Tenths(knee);
    w.U16(static_cast<uint32_t>(attack)).U16(static_cast<uint32_t>(release));
    return Issue(CMD_DSP, DSP_COMPRESSOR_SETTING, OP_WRITE, w.Take(), sendNow);
}

bool DspLink::Amp_Mute_Ctrl(int mute, bool sendNow) {
    runlog::Log("Amp_Mute_Ctrl: mute(%d)\n", mute);
    return Issue(CMD_DSP, DSP_AMP_MUTE, OP_WRITE, Bytes({mute}), sendNow);
}

bool DspLink::Rem_Out_Ctrl(int rem1, int rem2, bool sendNow) {
    runlog::Log("Rem_Out_Ctrl: rem1(%d), rem2(%d)\n", rem1, rem2);
    return Issue(CMD_DSP, DSP_REM_OUT, OP_WRITE, Bytes({rem1, rem2}), sendNow);
}

bool DspLink::Cross_Source_Mix_Ctrl(int scene, int source, int channel, int secondSource,
                                    int secondChannel, int secondGain, bool sendNow) {
    runlog::Log(
        "Cross_Source_Mix_Ctrl: scene(%d), source(%d), ch(%d), source2(%d), ch2(%d), "
        "gain2(%d)\n",
        scene, source, channel, secondSource, secondChannel, secondGain);
    return Issue(CMD_DSP, DSP_CROSS_SOURCE_MIX, OP_WRITE,
                 Bytes({scene, source, channel, secondSource, secondChannel, secondGain}), sendNow);
}

bool DspLink::Compressor_Ch_Ctrl(int scene, int source, int first, int last,
                                 std::span<const int> on, bool sendNow) {
    auto payload = ByteBlock("Compressor_Ch_Ctrl", "on", scene, source, first, last, on);
    return payload && Issue(CMD_DSP, DSP_COMPRESSOR_ON_CH, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Compressor_Ctrl2(int scene, int source, int first, int last,
                               std::span<const CompressorChannel> channels, bool sendNow) {
    auto payload = ChannelBlock(
        "Compressor_Ctrl2", {scene, source, first, last}, first, last, channels, 6,
        [&](PayloadWriter& w, int channel, const CompressorChannel& c) {
            runlog::Log(
                "Compressor_Ctrl2: scene(%d), source(%d), channel(%d), threshold(%.1f), "
                "attack(%d), release(%u)\n",
                scene, source, channel, c.threshold, c.attack, c.release);
            w.Tenths(c.threshold).U16(static_cast<uint32_t>(c.attack));
            w.Tenths(static_cast<double>(c.release) * 0.001);
        });
    return payload &&
           Issue(CMD_DSP, DSP_COMPRESSOR_SETTING2, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Spk_Ohm_Ctrl(int code, bool sendNow) {
    runlog::Log("Spk_Ohm_Ctrl: code(%d)\n", code);
    return Issue(CMD_DSP, DSP_SPK_OHM, OP_WRITE, Bytes({code}), sendNow);
}

bool DspLink::Output_Bridge_Ctrl(int scene, int source, std::span<const int> flags, bool sendNow) {
    runlog::Log("Output_Bridge_Ctrl: scene(%d), source(%d), count(%zu)\n", scene, source,
                flags.size());
    auto payload =
        CountedList("Output_Bridge_Ctrl", {scene, source}, flags, 1,
                    [](PayloadWriter& w, int pair, int bridge) {
                        runlog::Log("Output_Bridge_Ctrl: pair(%d), bridge(%d)\n", pair, bridge);
                        w.Byte(bridge);
                    });
    return payload && Issue(CMD_DSP, DSP_OUPUT_BRIDGE, OP_WRITE, std::move(*payload), sendNow);
}

bool DspLink::Cross_Source_Mix_Ctrl_CS47048(int scene, int source, int secondSource,
                                            int secondChannel, int channel, bool sendNow) {
    runlog::Log(
        "Cross_Source_Mix_Ctrl_CS47048: scene(%d), source(%d), source2(%d), ch2(%d), ch(%d)\n",
        scene, source, secondSource, secondChannel, channel);
    return Issue(CMD_DSP, DSP_CROSS_SOURCE_MIX_CS47048, OP_WRITE,
                 Bytes({scene, source, secondSource, secondChannel, channel}), sendNow);
}

bool DspLink::Noise_Gate_Ctrl(int on, bool sendNow) {
    runlog::Log("Noise_Gate_Ctrl: on(%d)\n", on);
    return Issue(CMD_DSP, DSP_NOISE_GATE, OP_WRITE, Bytes({on}), sendNow);
}

// ---- Reads ----

bool DspLink::Get_Source() {
    runlog::Log("Get_Source\n");
    return Request(CMD_DSP, DSP_SOURCE_SWITCH, OP_READ, {});
}

bool DspLink::Get_Main_Volume() {
    runlog::Log("Get_Main_Volume\n");
    return Request(CMD_DSP, DSP_VOLUME, OP_READ, {});
}

bool DspLink::Get_Subwoofer_Volume() {
    runlog::Log("Get_Subwoofer_Volume\n");
    return Request(CMD_DSP, DSP_SUBWOOFER_VOLUME, OP_READ, {});
}

bool DspLink::Get_Mute() {
    runlog::Log("Get_Mute\n");
    return Request(CMD_DSP, DSP_MUTE, OP_READ, {});
}

bool DspLink::Get_Filter(int scene, int source, int first, int last) {
    runlog::Log("Get_Filter: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_FILTER_SET, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_EQ(int scene, int source, int channel, int firstBand, int lastBand) {
    runlog::Log("Get_EQ: band(%d) band_end(%d) @channel(%d) @source(%d), scene(%d)\n", firstBand,
                lastBand, channel, source, scene);
    return Request(CMD_DSP, DSP_EQ_CH, OP_READ,
                   Bytes({scene, source, channel, firstBand, lastBand}));
}

bool DspLink::Get_Delay(int scene, int source, int first, int last) {
    runlog::Log("Get_Delay: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_DELAY_CH, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Trim(int scene, int source, int first, int last) {
    runlog::Log("Get_Trim: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source, scene);
    return Request(CMD_DSP, DSP_TRIM_CH, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Mute_Ch(int scene, int source, int first, int last) {
    runlog::Log("Get_Mute_Ch: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_MUTE_CH, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Phase(int scene, int source, int first, int last) {
    runlog::Log("Get_Phase: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_PHASE_CH, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Mix_Ch(int scene, int source, int firstOutput, int lastOutput) {
    runlog::Log("Get_Mix_Ch: out(%d) out_end(%d) @source(%d), scene(%d)\n", firstOutput, lastOutput,
                source, scene);
    return Request(CMD_DSP, DSP_MIX_CH, OP_READ, Bytes({scene, source, firstOutput, lastOutput}));
}

bool DspLink::Get_CH_Type(int scene, int source, int first, int last) {
    runlog::Log("Get_CH_Type: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_CH_TYPE, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_CH_Link(int scene) {
    runlog::Log("Get_CH_Link: scene(%d)\n", scene);
    return Request(CMD_DSP, DSP_CH_LINK, OP_READ, Bytes({scene}));
}

bool DspLink::Get_CH_Lock(int scene) {
    runlog::Log("Get_CH_Lock: scene(%d)\n", scene);
    return Request(CMD_DSP, DSP_CH_LOCK, OP_READ, Bytes({scene}));
}

bool DspLink::Get_PEQ_Bypass(int scene, int source, int first, int last) {
    runlog::Log("Get_PEQ_Bypass: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_EQ_BYPASS, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Input_Mix_CH_Trim(int scene, int source, int input, int firstOutput,
                                    int lastOutput) {
    runlog::Log("Get_Input_Mix_CH_Trim: out(%d) out_end(%d) @input(%d) @source(%d), scene(%d)\n",
                firstOutput, lastOutput, input, source, scene);
    return Request(CMD_DSP, DSP_INPUT_MIX_CH_TRIM, OP_READ,
                   Bytes({scene, source, input, firstOutput, lastOutput}));
}

bool DspLink::Get_Input_Threshold(int scene, int source, bool sendNow) {
    runlog::Log("Get_Input_Threshold: source(%d), scene(%d)\n", source, scene);
    return Issue(CMD_DSP, DSP_INPUT_THRESHOLD, OP_READ, Bytes({scene, source}), sendNow);
}

bool DspLink::Get_Input_Noise(int first, int last, bool sendNow) {
    runlog::Log("Get_Input_Noise: ch(%d) ch_end(%d)\n", first, last);
    return Issue(CMD_DSP, DSP_INPUT_NOISE, OP_READ, Bytes({first, last}), sendNow);
}

bool DspLink::Get_Ch_Solo(int scene, int source, int first, int last) {
    runlog::Log("Get_Ch_Solo: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_CH_SOLO, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Speaker_Config() {
    runlog::Log("Get_Speaker_Config\n");
    return Request(CMD_DSP, DSP_SPK_CH_CONFIG, OP_READ, {});
}

bool DspLink::Get_Amp_Mute() {
    runlog::Log("Get_Amp_Mute\n");
    return Request(CMD_DSP, DSP_AMP_MUTE, OP_READ, {});
}

bool DspLink::Get_InDistort(int scene, int source, int first, int last) {
    runlog::Log("Get_InDistort: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_INPUT_CH_DISTORT, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_OutDistort(int scene, int source, int first, int last) {
    runlog::Log("Get_OutDistort: ch(%d) ch_end(%d) @source(%d), scene(%d)\n", first, last, source,
                scene);
    return Request(CMD_DSP, DSP_OUTPUT_CH_DISTORT, OP_READ, Bytes({scene, source, first, last}));
}

bool DspLink::Get_Rem_Out() {
    runlog::Log("Get_Rem_Out\n");
    return Request(CMD_DSP, DSP_REM_OUT, OP_READ, {});
}

bool DspLink::Get_Spk_Ohm() {
    runlog::Log("Get_Spk_Ohm\n");
    return Request(CMD_DSP, DSP_SPK_OHM, OP_READ, {});
}

bool DspLink::Get_Ouput_Bridge(int scene, int source, int count) {
    runlog::Log("Get_Ouput_Bridge: count(%d) @source(%d), scene(%d)\n", count, source, scene);
    return Request(CMD_DSP, DSP_OUPUT_BRIDGE, OP_READ, Bytes({scene, source, count}));
}

bool DspLink::Get_Mix_Source2(int scene, int source, int channel) {
    runlog::Log("Get_Mix_Source2: ch(%d) @source(%d), scene(%d)\n", channel, source, scene);
    // The write layout of the same subcommand, with the second-source bytes left zero.
    return Request(CMD_DSP, DSP_CROSS_SOURCE_MIX_CS47048, OP_READ,
                   Bytes({scene, source, 0, 0, channel}));
}

bool DspLink::Get_Noise_Gate() {
    runlog::Log("Get_Noise_Gate\n");
    return Request(CMD_DSP, DSP_NOISE_GATE, OP_READ, {});
}

}  // namespace dsplink
