#pragma once
// Which frame answers a request. The answer has the request's packet type and subcmd, the
// optype a request of its kind gets back (OP_UPDATE for a read and for the handshake, OP_ACK
// for any other write), and, where the reply repeats the request's head (scene, source,
// first channel, band, input), the same head. A late answer to an earlier request, an
// unsolicited report or a damaged frame is therefore never taken for this one's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

#include "frame.h"

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
    uint8_t mOptype;
    // Reply payload bytes the request fixes: offset in the reply and the byte it must hold.
    std::array<std::pair<uint8_t, uint8_t>, 4> mHead{};
    size_t mHeadSize = 0;
};

}  // namespace dsplink
