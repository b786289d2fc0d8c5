#pragma once
// Helpers shared by the reply decoders. Replies come from the amplifier and are untrusted:
// every item is read only when all of its bytes are inside the payload.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "encoding.h"
#include "reply_decoders.h"
#include "reply_records.h"

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

// Decodes a calibration reply (posted to the calibration target); false when subcmd is not one.
bool DecodeCalibrationReply(uint8_t subcmd, uint8_t optype, const PayloadReader& reader,
                            ReplyContext& context);

// A frame too short to name its subcmd and optype carries nothing to decode.
inline bool HasHead(const FrameView& frame) {
    return frame.body.size() >= 2;
}

}  // namespace dsplink::decoding
