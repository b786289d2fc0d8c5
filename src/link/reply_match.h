#pragma once
// Which frame answers a request: one of the request's packet type and subcmd. A read is
// answered by OP_UPDATE values that repeat the request's head where the reply carries one
// (scene, source, first channel, band, input); a write by its acknowledgement, or by values
// (the handshake is a write answered so). An acknowledgement with the status NOT_READY is the
// amplifier's refusal of either. A late answer to an earlier request, an unsolicited report or
// a damaged frame is therefore not taken for this request's answer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "link/frame.h"

namespace dsplink {

enum class ReplyMatch {
    None,     // not this request's answer
    Answer,   // the answer
    Refusal,  // the amplifier's "no": an acknowledgement with the status NOT_READY
};

class ExpectedReply {
  public:
    ExpectedReply(uint8_t type, uint8_t subcmd, uint8_t optype, std::span<const uint8_t> request);

    ReplyMatch Match(const FrameView& frame) const;

  private:
    uint8_t mType;
    uint8_t mSubcmd;
    bool mRead;
    // Reply payload bytes the request fixes: offset in the reply and the byte it must hold.
    std::array<std::pair<uint8_t, uint8_t>, 4> mHead{};
    size_t mHeadSize = 0;
};

}  // namespace dsplink
