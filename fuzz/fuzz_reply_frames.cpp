// Bytes from the device: the frame parser, then every valid frame to its reply decoder, routed
// by packet type as the link routes them.
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/frame.h"
#include "link/link_state.h"
#include "link/protocol.h"
#include "link/reply_decoders.h"
#include "link/reply_target.h"

namespace {

// Drops every message; the sanitizers watch the decoding.
class DiscardingContext : public dsplink::ReplyContext {
  public:
    void Post(dsplink::ReplyTargetId, dsplink::LinkMessage) override {}
    dsplink::LinkState& State() override { return state; }

    dsplink::LinkState state;
};

void Dispatch(const dsplink::FrameView& frame, dsplink::ReplyContext& context) {
    switch (frame.type) {
        case dsplink::CMD_DSP:
            dsplink::DecodeDspReply(frame, context);
            break;
        case dsplink::CMD_FLASH:
            dsplink::DecodeFlashReply(frame, context);
            break;
        case dsplink::CMD_MCU:
            dsplink::DecodeMcuReply(frame, context);
            break;
        case dsplink::CMD_KTV:
            dsplink::DecodeKtvReply(frame, context);
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    DiscardingContext context;
    // The first byte picks the channel counts, which bound the decoders' indices.
    context.state.inputCount = (data[0] & 1) ? 8 : 12;
    context.state.outputCount = (data[0] & 2) ? 40 : 12;
    context.state.noiseToMain = (data[0] & 4) != 0;
    dsplink::FrameParser parser(
        [&context](const dsplink::FrameView& frame, bool valid, std::span<const uint8_t>) {
            if (valid) {
                Dispatch(frame, context);
            }
        });
    parser.Feed(std::span<const uint8_t>(data + 1, size - 1));
    return 0;
}
