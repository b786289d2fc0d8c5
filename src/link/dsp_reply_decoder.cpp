// PLACEHOLDER: replaced by the decoder work.
#include "reply_decoders.h"

namespace dsplink {

void DecodeDspReply(const FrameView&, ReplyContext&) {}

}  // namespace dsplink
