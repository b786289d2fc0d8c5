#pragma once
// Helpers shared by the reply decoders. Replies come from the amplifier and are untrusted:
// every item is read only when all of its bytes are inside the payload.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "link/encoding.h"
#include "link/reply_decoders.h"
#include "link/reply_records.h"
#include "shell/run_log.h"

namespace dsplink::decoding {

// Calls fn(index, offset) for each index of first..last whose item lies wholly inside the
// payload; item k sits at head + k * itemSize. Stops at the first item that does not fit, so
// a reply cut short yields only its complete items. Returns the number of items visited.
template <typename Fn>
int ForEachItem(const PayloadReader& reader, size_t head, size_t itemSize, int first, int last,
                Fn&& fn) {
    int count = 0;
    for (int index = first; index <= last; ++index) {
        const size_t offset = head + static_cast<size_t>(index - first) * itemSize;
        if (!reader.Has(offset, itemSize)) {
            break;
        }
        fn(index, offset);
        ++count;
    }
    return count;
}

// The items after a head whose last two bytes are the first and last index of the range.
template <typename Fn>
void ForEachInRange(const PayloadReader& reader, size_t head, size_t itemSize, Fn&& fn) {
    if (!reader.Has(0, head)) {
        return;
    }
    ForEachItem(reader, head, itemSize, reader.Byte(head - 2), reader.Byte(head - 1), fn);
}

// Items that the audio path and the calibration replies lay out alike. Each fills its fields of
// the record and logs them.

// freq u16, Q in hundredths, gain + 18 dB in tenths.
constexpr size_t kEqBandItem = 6;

template <typename Record>
void ReadEqBand(const PayloadReader& reader, size_t offset, int band, Record& record) {
    record.band = band;
    record.freq = reader.U16(offset);
    record.q = static_cast<float>(reader.Hundredths(offset + 2));
    record.gain = static_cast<float>(reader.Tenths(offset + 4) - 18.0);
    runlog::Log("band(%d), freq(%d), Q(%1.2f), Gain(%.2f)\n", band, record.freq, record.q,
                record.gain);
}

// A trim in dB: signed, like every other trim on the wire.
template <typename Record>
void ReadTrim(const PayloadReader& reader, size_t offset, Record& record) {
    record.trim = reader.Signed(offset);
    runlog::Log("ch(%d), trim(%.2f)\n", record.channel, record.trim);
}

template <typename Record>
void ReadChannelValue(const PayloadReader& reader, size_t offset, Record& record) {
    record.value = reader.Byte(offset);
    runlog::Log("ch(%d), value(%d)\n", record.channel, record.value);
}

// Records index their values by channel or input number; higher numbers have no slot.
constexpr int kLastIndex = kIndexedValues - 1;

inline void PostValue(ReplyContext& context, ReplyTargetId target, uint32_t message,
                      uint32_t wParam, int32_t value) {
    context.Post(target, LinkMessage{message, wParam, value, nullptr});
}

template <typename Record>
void PostRecord(ReplyContext& context, ReplyTargetId target, uint32_t message, uint32_t wParam,
                std::unique_ptr<Record> record) {
    context.Post(target, LinkMessage{message, wParam, 0, std::move(record)});
}

// Decodes the payload of an update reply of one subcmd.
using UpdateDecoder = void (*)(uint8_t subcmd, const PayloadReader& reader, ReplyContext& context);

// Decodes a calibration reply (posted to the calibration target); false when subcmd is not one.
bool DecodeCalibrationReply(uint8_t subcmd, uint8_t optype, const PayloadReader& reader,
                            ReplyContext& context);

// A frame too short to name its subcmd and optype carries nothing to decode.
inline bool HasHead(const FrameView& frame) {
    return frame.body.size() >= 2;
}

// Decodes the reply of one packet type, given its subcmd, optype and payload.
using ReplyDecoder = void (*)(uint8_t subcmd, uint8_t optype, const PayloadReader& reader,
                              ReplyContext& context);

// The entry of every packet type's decoder: frames without a head are dropped here.
inline void DecodeFrame(const FrameView& frame, ReplyContext& context, ReplyDecoder decode) {
    if (!HasHead(frame)) {
        return;
    }
    decode(frame.subcmd(), frame.optype(), PayloadReader(frame.payload()), context);
}

}  // namespace dsplink::decoding
