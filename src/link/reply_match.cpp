#include "link/reply_match.h"

#include "link/protocol.h"
#include "link/subcommands.h"

namespace dsplink {
namespace {

// The request bytes a read's reply repeats: bit i of mask set means request payload byte i
// comes back as reply payload byte i - shift.
struct Echo {
    uint8_t mask = 0;
    uint8_t shift = 0;
};

Echo EchoOfRead(uint8_t type, uint8_t subcmd) {
    constexpr uint8_t kFirst = 0b1;
    constexpr uint8_t kFirstTwo = 0b11;
    constexpr uint8_t kFirstThree = 0b111;
    constexpr uint8_t kFirstFour = 0b1111;
    if (type == CMD_FLASH) {
        return subcmd == FLASH_SCENE_NAME ? Echo{kFirst} : Echo{};
    }
    if (type != CMD_DSP) {
        return {};
    }
    switch (subcmd) {
        // scene, source, first channel (the device may cut the last one to what fits)
        case DSP_FILTER_SET:
        case DSP_DELAY_CH:
        case DSP_TRIM_CH:
        case DSP_MUTE_CH:
        case DSP_PHASE_CH:
        case DSP_MIX_CH:
        case DSP_CH_TYPE:
        case DSP_EQ_BYPASS:
        case DSP_CH_SOLO:
        case DSP_COMPRESSOR_ON_CH:
        case DSP_COMPRESSOR_SETTING2:
            return {kFirstThree};
        // scene, source, channel or input, first band or output
        case DSP_EQ_CH:
        case DSP_INPUT_MIX_CH_TRIM:
            return {kFirstFour};
        case DSP_CH_LINK:
        case DSP_CH_LOCK:
        case DSP_INPUT_NOISE:
        case DSP_IRC_DISTANCE:
            return {kFirst};
        case DSP_OUPUT_BRIDGE:
        case DSP_IRC_EQ:
        case DSP_IRC_SPECTRUM:
            return {kFirstTwo};
        // scene, source, and the channel last
        case DSP_CROSS_SOURCE_MIX_CS47048:
            return {0b10011};
        // answered without the scene: source, first
        case DSP_INPUT_CH_DISTORT:
        case DSP_OUTPUT_CH_DISTORT:
            return {0b110, 1};
        // the address
        case DSP_MEM_DATA:
            return {kFirstFour};
        default:
            return {};
    }
}

}  // namespace

ExpectedReply::ExpectedReply(uint8_t type, uint8_t subcmd, uint8_t optype,
                             std::span<const uint8_t> request)
    : mType(type), mSubcmd(subcmd), mRead(optype == OP_READ) {
    if (!mRead) {
        return;
    }
    const Echo echo = EchoOfRead(type, subcmd);
    for (size_t i = echo.shift; i < request.size() && i < 8 && mHeadSize < mHead.size(); ++i) {
        if (echo.mask & (1u << i)) {
            mHead[mHeadSize++] = {static_cast<uint8_t>(i - echo.shift), request[i]};
        }
    }
}

ReplyMatch ExpectedReply::Match(const FrameView& frame) const {
    if (frame.type != mType || frame.body.size() < 2 || frame.subcmd() != mSubcmd) {
        return ReplyMatch::None;
    }
    const std::span<const uint8_t> payload = frame.payload();
    if (frame.optype() == OP_ACK) {
        if (!payload.empty() && payload[0] == NOT_READY) {
            return ReplyMatch::Refusal;
        }
        // A read wants its values; an acknowledgement only answers a write.
        return mRead ? ReplyMatch::None : ReplyMatch::Answer;
    }
    if (frame.optype() != OP_UPDATE) {
        return ReplyMatch::None;
    }
    for (size_t i = 0; i < mHeadSize; ++i) {
        const auto [offset, value] = mHead[i];
        if (offset >= payload.size() || payload[offset] != value) {
            return ReplyMatch::None;
        }
    }
    return ReplyMatch::Answer;
}

}  // namespace dsplink
