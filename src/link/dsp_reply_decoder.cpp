// Replies of the DSP audio path: one WM_READ_DSP_VALUE per channel or band, or one per reply,
// to the main target. Calibration subcommands are handed to their own decoder.
#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "link/encoding.h"
#include "link/reply_decoders.h"
#include "link/reply_decoding.h"
#include "link/reply_records.h"
#include "link/subcommands.h"
#include "shell/run_log.h"

namespace dsplink {

namespace {

using decoding::ForEachInRange;
using decoding::ForEachItem;
using decoding::kLastIndex;

// scene, source, first, last
constexpr size_t kChannelHead = 4;
// scene, source, channel, first band, last band
constexpr size_t kEqHead = 5;
constexpr size_t kFilterItem = 8;
constexpr size_t kDelayItem = 3;
constexpr size_t kCompressorItem = 11;
constexpr size_t kCompressor2Item = 6;
constexpr int kMaxLinkPairs = 6;

void PostDsp(ReplyContext& context, uint8_t subcmd, std::unique_ptr<ReplyRecord> record) {
    decoding::PostRecord(context, ReplyTargetId::Main, WM_READ_DSP_VALUE, subcmd,
                         std::move(record));
}

void PostDspValue(ReplyContext& context, uint8_t subcmd, int32_t value) {
    decoding::PostValue(context, ReplyTargetId::Main, WM_READ_DSP_VALUE, subcmd, value);
}

// One record per channel item after the channel head, with the reply's scene; read fills in
// what the item carries.
template <typename Record, typename Read>
void PostEachChannel(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context,
                     size_t itemSize, Read&& read) {
    ForEachInRange(reader, kChannelHead, itemSize, [&](int channel, size_t o) {
        auto record = std::make_unique<Record>();
        record->scene = reader.Byte(0);
        record->channel = channel;
        read(*record, o);
        PostDsp(context, subcmd, std::move(record));
    });
}

// Fills the record slots of first..last that fit both the payload and the record; returns the
// last slot filled, or -1 when none was.
template <typename Fn>
int FillIndexed(const PayloadReader& reader, size_t head, size_t itemSize, int first, int last,
                Fn&& store) {
    int filled = -1;
    ForEachItem(reader, head, itemSize, first, std::min(last, kLastIndex),
                [&](int index, size_t offset) {
                    store(index, offset);
                    filled = index;
                });
    return filled;
}

void DecodeSourceConfig(uint8_t, const PayloadReader& reader, ReplyContext&) {
    if (!reader.Has(0, 1)) {
        return;
    }
    const int count = reader.Byte(0);
    runlog::Log("DSP_SOURCE_CONFIG update total source=%d -->\n", count);
    for (int i = 0; i < count && reader.Has(1 + static_cast<size_t>(i), 1); ++i) {
        runlog::Log("source%d = %d\n", i, reader.Byte(1 + static_cast<size_t>(i)));
    }
}

void DecodeFilter(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<FilterRecord>(
        subcmd, reader, context, kFilterItem, [&](auto& record, size_t o) {
            record.hpType = reader.Byte(o);
            record.hpFreq = reader.U16(o + 1);
            record.hpSlope = reader.Byte(o + 3);
            record.lpType = reader.Byte(o + 4);
            record.lpFreq = reader.U16(o + 5);
            record.lpSlope = reader.Byte(o + 7);
            runlog::Log("ch(%d), hp(%d, %d, %d), lp(%d, %d, %d)\n", record.channel, record.hpType,
                        record.hpFreq, record.hpSlope, record.lpType, record.lpFreq,
                        record.lpSlope);
        });
}

void DecodeEq(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    ForEachInRange(reader, kEqHead, decoding::kEqBandItem, [&](int band, size_t o) {
        auto record = std::make_unique<EqRecord>();
        record->scene = reader.Byte(0);
        record->channel = reader.Byte(2);
        decoding::ReadEqBand(reader, o, band, *record);
        PostDsp(context, subcmd, std::move(record));
    });
}

void DecodeDelay(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<DelayRecord>(subcmd, reader, context, kDelayItem, [&](auto& record, size_t o) {
        record.delay = static_cast<float>(reader.Delay(o));
        runlog::Log("ch(%d), delay(%.3f)\n", record.channel, record.delay);
    });
}

void DecodeTrim(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<TrimRecord>(subcmd, reader, context, 1, [&](auto& record, size_t o) {
        decoding::ReadTrim(reader, o, record);
    });
}

void DecodeChannelValue(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<ChannelValueRecord>(subcmd, reader, context, 1, [&](auto& record, size_t o) {
        decoding::ReadChannelValue(reader, o, record);
    });
}

void DecodePhase(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<PhaseRecord>(subcmd, reader, context, 1, [&](auto& record, size_t o) {
        record.phase = reader.Byte(o);
        runlog::Log("ch(%d), phase(%d)\n", record.channel, record.phase);
    });
}

void DecodeMix(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    // The mask needs a bit per input: two bytes from nine inputs on.
    const bool wide = context.State().inputCount >= 9;
    PostEachChannel<MixRecord>(subcmd, reader, context, wide ? 2 : 1, [&](auto& record, size_t o) {
        record.source = reader.Byte(1);
        record.mask = wide ? reader.U16(o) : reader.Byte(o);
        runlog::Log("ch(%d), mix(0x%x)\n", record.channel, static_cast<unsigned>(record.mask));
    });
}

void DecodeLink(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 2)) {
        return;
    }
    auto record = std::make_unique<LinkRecord>();
    record->scene = reader.Byte(0);
    record->link = reader.Byte(1);
    const int pairs = std::clamp(context.State().outputCount / 2, 0, kMaxLinkPairs);
    for (int k = 0; k < pairs && reader.Has(2 + static_cast<size_t>(k), 1); ++k) {
        record->pairs[static_cast<size_t>(k)] = reader.Byte(2 + static_cast<size_t>(k));
    }
    runlog::Log("scene(%d), link(%d)\n", record->scene, record->link);
    PostDsp(context, subcmd, std::move(record));
}

void DecodeLock(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 2)) {
        return;
    }
    auto record = std::make_unique<LockRecord>();
    record->scene = reader.Byte(0);
    record->lock = reader.Byte(1);
    runlog::Log("scene(%d), lock(%d)\n", record->scene, record->lock);
    PostDsp(context, subcmd, std::move(record));
}

void DecodeInputValues(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, kChannelHead)) {
        return;
    }
    auto record = std::make_unique<InputValuesRecord>();
    record->scene = reader.Byte(0);
    record->source = reader.Byte(1);
    record->first = reader.Byte(2);
    const int filled = FillIndexed(
        reader, kChannelHead, 1, record->first, reader.Byte(3),
        [&](int input, size_t o) { record->values[static_cast<size_t>(input)] = reader.Byte(o); });
    if (filled < 0) {
        return;
    }
    record->last = filled;
    PostDsp(context, subcmd, std::move(record));
}

void DecodeInputMixTrim(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 5)) {
        return;
    }
    auto record = std::make_unique<InputMixTrimRecord>();
    record->scene = reader.Byte(0);
    record->source = reader.Byte(1);
    record->input = reader.Byte(2);
    record->firstOutput = reader.Byte(3);
    const int lastOutput = reader.Byte(4);
    // The trims are kept in order from the first output, so the slot is the item's position.
    const int count = ForEachItem(
        reader, 5, 1, 0, std::min(lastOutput - record->firstOutput, kLastIndex),
        [&](int k, size_t o) { record->trims[static_cast<size_t>(k)] = reader.Byte(o); });
    if (count == 0) {
        return;
    }
    record->lastOutput = record->firstOutput + count - 1;
    PostDsp(context, subcmd, std::move(record));
}

void DecodeInputNoise(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 2)) {
        return;
    }
    auto record = std::make_unique<InputNoiseRecord>();
    record->first = reader.Byte(0);
    const int filled =
        FillIndexed(reader, 2, 2, record->first, reader.Byte(1), [&](int input, size_t o) {
            record->levels[static_cast<size_t>(input)] =
                static_cast<float>(reader.Byte(o) - 100 + reader.Byte(o + 1) / 10.0);
        });
    if (filled < 0) {
        return;
    }
    record->last = filled;
    const ReplyTargetId target =
        context.State().noiseToMain ? ReplyTargetId::Main : ReplyTargetId::Noise;
    decoding::PostRecord(context, target, WM_READ_DSP_VALUE, subcmd, std::move(record));
}

void DecodeQFactorMode(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, kChannelHead)) {
        return;
    }
    auto record = std::make_unique<QFactorModeRecord>();
    record->scene = reader.Byte(0);
    record->source = reader.Byte(1);
    record->first = reader.Byte(2);
    const int filled = FillIndexed(reader, kChannelHead, 1, record->first, reader.Byte(3),
                                   [&](int channel, size_t o) {
                                       record->modes[static_cast<size_t>(channel)] = reader.Byte(o);
                                   });
    if (filled < 0) {
        return;
    }
    record->last = static_cast<uint8_t>(filled);
    PostDsp(context, subcmd, std::move(record));
}

void DecodeCompressor(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<CompressorRecord>(
        subcmd, reader, context, kCompressorItem, [&](auto& record, size_t o) {
            record.bypass = reader.Byte(o);
            record.noise = static_cast<float>(reader.Tenths(o + 1) - 100.0);
            record.ratio = static_cast<float>(reader.Tenths(o + 3));
            record.knee = static_cast<float>(reader.Tenths(o + 5));
            record.attack = reader.U16(o + 7);
            record.release = reader.U16(o + 9);
        });
}

void DecodeDistort(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    // No scene here: source, first, last.
    if (!reader.Has(0, 3)) {
        return;
    }
    auto record = std::make_unique<DistortRecord>();
    record->source = reader.Byte(0);
    record->first = reader.Byte(1);
    const int filled = FillIndexed(
        reader, 3, 1, record->first, reader.Byte(2),
        [&](int index, size_t o) { record->values[static_cast<size_t>(index)] = reader.Byte(o); });
    if (filled < 0) {
        return;
    }
    record->last = filled;
    PostDsp(context, subcmd, std::move(record));
}

void DecodeMemData(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    auto record = std::make_unique<MemDataRecord>();
    if (!reader.Has(0, record->bytes.size())) {
        return;
    }
    std::copy_n(reader.Span().begin(), record->bytes.size(), record->bytes.begin());
    decoding::PostRecord(context, ReplyTargetId::Memory, WM_READ_MEM_VALUE, subcmd,
                         std::move(record));
}

void DecodeSpeakerDistance(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, kChannelHead)) {
        return;
    }
    auto record = std::make_unique<SpeakerDistanceRecord>();
    record->scene = reader.Byte(0);
    record->source = reader.Byte(1);
    record->first = reader.Byte(2);
    const int filled = FillIndexed(
        reader, kChannelHead, 2, record->first, reader.Byte(3), [&](int channel, size_t o) {
            record->distances[static_cast<size_t>(channel)] = reader.U16(o);
        });
    if (filled < 0) {
        return;
    }
    record->last = static_cast<uint8_t>(filled);
    PostDsp(context, subcmd, std::move(record));
}

void DecodeCompressor2(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    PostEachChannel<Compressor2Record>(
        subcmd, reader, context, kCompressor2Item, [&](auto& record, size_t o) {
            // Both bytes of the threshold carry its sign: -12.5 dB is F4 FB.
            record.threshold = static_cast<float>(reader.Signed(o) + reader.Signed(o + 1) / 10.0);
            record.attack = reader.U16(o + 2);
            record.release = reader.Byte(o + 4) * 1000 + reader.Byte(o + 5) * 100;
        });
}

void DecodeBridge(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 3)) {
        return;
    }
    auto record = std::make_unique<BridgeRecord>();
    record->scene = reader.Byte(0);
    record->source = reader.Byte(1);
    // The count says how many flags the record holds, so it never exceeds what was copied.
    const size_t wanted = std::min<size_t>(reader.Byte(2), record->flags.size());
    const size_t available = std::min(wanted, reader.Size() - 3);
    std::copy_n(reader.Span().begin() + 3, available, record->flags.begin());
    record->count = static_cast<uint8_t>(available);
    PostDsp(context, subcmd, std::move(record));
}

// Copies a fixed run of payload bytes into a byte record, or drops a reply that is too short.
template <typename Record, size_t N>
std::unique_ptr<Record> CopyBytes(const PayloadReader& reader,
                                  std::array<uint8_t, N> Record::*field) {
    if (!reader.Has(0, N)) {
        return nullptr;
    }
    auto record = std::make_unique<Record>();
    std::copy_n(reader.Span().begin(), N, ((*record).*field).begin());
    return record;
}

void DecodeCrossSourceMix(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (auto record = CopyBytes(reader, &CrossSourceMixRecord::bytes)) {
        PostDsp(context, subcmd, std::move(record));
    }
}

void DecodeCrossSourceMixCs47048(uint8_t subcmd, const PayloadReader& reader,
                                 ReplyContext& context) {
    // Sent as scene, source, second source, second channel, channel; posted in the 0x47 order.
    if (!reader.Has(0, 5)) {
        return;
    }
    auto record = std::make_unique<CrossSourceMixRecord>();
    record->bytes = {reader.Byte(0), reader.Byte(1), reader.Byte(4),
                     reader.Byte(2), reader.Byte(3), 0};
    PostDsp(context, subcmd, std::move(record));
}

// Replies that carry one value: it travels in lParam.
void DecodeUnsigned(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (reader.Has(0, 1)) {
        PostDspValue(context, subcmd, reader.Byte(0));
    }
}

void DecodeSigned(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (reader.Has(0, 1)) {
        PostDspValue(context, subcmd, reader.Signed(0));
    }
}

void DecodeVolume(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (reader.Has(0, 1)) {
        runlog::Log("DSP_VOLUME OP_UPDATE, MVol = %d\n", reader.Signed(0));
        PostDspValue(context, subcmd, reader.Signed(0));
    }
}

void DecodeThreshold(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (reader.Has(0, 1)) {
        runlog::Log("input_threshold = %d\n", reader.Signed(0));
        PostDspValue(context, subcmd, reader.Signed(0));
    }
}

void DecodeU16(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (reader.Has(0, 2)) {
        PostDspValue(context, subcmd, reader.U16(0));
    }
}

void DecodeSpeakerConfig(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 1)) {
        return;
    }
    auto record = std::make_unique<SpeakerConfigRecord>();
    record->config = reader.Byte(0);
    runlog::Log("DSP_SPK_CH_CONFIG spk_cfg(0x%02x)\n", static_cast<unsigned>(record->config));
    PostDsp(context, subcmd, std::move(record));
}

void DecodeMixType(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (!reader.Has(0, 3)) {
        return;
    }
    auto record = std::make_unique<MixTypeRecord>();
    record->scene = reader.Byte(0);
    record->source = reader.Byte(1);
    record->mixType = reader.Byte(2);
    PostDsp(context, subcmd, std::move(record));
}

void DecodeRemOut(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context) {
    if (auto record = CopyBytes(reader, &RemOutRecord::rem)) {
        PostDsp(context, subcmd, std::move(record));
    }
}

void DecodeEqReset(uint8_t, const PayloadReader& reader, ReplyContext&) {
    if (reader.Has(0, 1)) {
        runlog::Log("DSP_EQ_RESET scene(%d)\n", reader.Byte(0));
    }
}

// Known to the device but of no use to the program.
void DecodeNothing(uint8_t, const PayloadReader&, ReplyContext&) {}

// The decoder of an update reply, or nullptr for a code this program does not know.
decoding::UpdateDecoder FindDecoder(uint8_t subcmd) {
    switch (subcmd) {
        case DSP_SOURCE_CONFIG:
            return DecodeSourceConfig;
        case DSP_VOLUME:
            return DecodeVolume;
        case DSP_SUBWOOFER_VOLUME:
            return DecodeSigned;
        case DSP_INPUT_THRESHOLD:
            return DecodeThreshold;
        case DSP_SOURCE_SWITCH:
        case DSP_MUTE:
        case DSP_FACTORY_PRESET:
        case DSP_SETUP_MODE:
        case DSP_AUTO_EFFECTION_ON_OFF_CONTROL:
        case DSP_AMP_MUTE:
        case DSP_MIX_SOURCE_SWITCH:
        case DSP_DSP_STATUS:
        case DSP_SPK_OHM:
        case DSP_NOISE_GATE:
            return DecodeUnsigned;
        case DSP_SEL_REMOTE_CH:
            return DecodeU16;
        case DSP_FILTER_SET:
            return DecodeFilter;
        case DSP_EQ_CH:
        case DSP_INPUT_EQ_CH:
            return DecodeEq;
        case DSP_DELAY_CH:
            return DecodeDelay;
        case DSP_TRIM_CH:
            return DecodeTrim;
        case DSP_MUTE_CH:
        case DSP_CH_TYPE:
        case DSP_EQ_BYPASS:
        case DSP_CH_SOLO:
        case DSP_COMPRESSOR_ON_CH:
            return DecodeChannelValue;
        case DSP_PHASE_CH:
            return DecodePhase;
        case DSP_MIX_CH:
            return DecodeMix;
        case DSP_CH_LINK:
        case DSP_CH_TRIM_LINK:
        case DSP_CH_DELAY_LINK:
            return DecodeLink;
        case DSP_CH_LOCK:
            return DecodeLock;
        case DSP_EQ_RESET:
            return DecodeEqReset;
        case DSP_INPUT_TRIM_CH:
        case DSP_INPUT_CH_MUTE:
        case DSP_INPUT_CH_PHASE:
            return DecodeInputValues;
        case DSP_INPUT_MIX_CH_TRIM:
            return DecodeInputMixTrim;
        case DSP_INPUT_NOISE:
            return DecodeInputNoise;
        case DSP_SPK_CH_CONFIG:
            return DecodeSpeakerConfig;
        case DSP_MIX_TYPE:
        case DSP_MIX_TYPE2:
            return DecodeMixType;
        case DSP_HPF_Q_FACT_MODE:
        case DSP_LPF_Q_FACT_MODE:
            return DecodeQFactorMode;
        case DSP_COMPRESSOR_SETTING:
            return DecodeCompressor;
        case DSP_INPUT_CH_DISTORT:
        case DSP_OUTPUT_CH_DISTORT:
            return DecodeDistort;
        case DSP_MEM_DATA:
            return DecodeMemData;
        case DSP_SPK_DIST:
            return DecodeSpeakerDistance;
        case DSP_REM_OUT:
            return DecodeRemOut;
        case DSP_CROSS_SOURCE_MIX:
            return DecodeCrossSourceMix;
        case DSP_COMPRESSOR_SETTING2:
            return DecodeCompressor2;
        case DSP_OUPUT_BRIDGE:
            return DecodeBridge;
        case DSP_CROSS_SOURCE_MIX_CS47048:
            return DecodeCrossSourceMixCs47048;
        case DSP_REMAP_CH:
        case DSP_BYPASS:
        case DSP_IRC_RTA:
            return DecodeNothing;
        default:
            return nullptr;
    }
}

void DecodeDsp(uint8_t subcmd, uint8_t optype, const PayloadReader& reader, ReplyContext& context) {
    const uint32_t count = ++context.State().dspReplyCount;
    runlog::Log("dsp_ack_process %d, cmd(0x%08x), OP(%02x), %s\n", static_cast<int>(count),
                static_cast<unsigned>(subcmd), static_cast<unsigned>(optype),
                DspSubcmdName(subcmd).c_str());

    if (decoding::DecodeCalibrationReply(subcmd, optype, reader, context)) {
        return;
    }
    const decoding::UpdateDecoder decoder = FindDecoder(subcmd);
    if (decoder == nullptr) {
        runlog::Log("!!! NOT SUPPORT MSG\n");
        return;
    }
    // Acknowledgements of writes post nothing; two of them leave a trace.
    if (optype == OP_ACK && subcmd == DSP_VOLUME) {
        runlog::Log("DSP_VOLUME OP_ACK\n");
    } else if (optype == OP_ACK && subcmd == DSP_CH_TYPE) {
        runlog::Log("DSP_CH_TYPE OP_ACK\n");
    }
    if (optype == OP_UPDATE) {
        decoder(subcmd, reader, context);
    }
}

}  // namespace

void DecodeDspReply(const FrameView& frame, ReplyContext& context) {
    decoding::DecodeFrame(frame, context, DecodeDsp);
}

}  // namespace dsplink
