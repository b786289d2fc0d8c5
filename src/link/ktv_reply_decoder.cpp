// PLACEHOLDER: replaced by the decoder work.
#include "reply_decoders.h"

namespace dsplink {

void DecodeKtvReply(const FrameView&, ReplyContext&) {}

}  // namespace dsplink
