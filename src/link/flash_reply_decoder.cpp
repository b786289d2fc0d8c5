// PLACEHOLDER: replaced by the decoder work.
#include "reply_decoders.h"

namespace dsplink {

void DecodeFlashReply(const FrameView&, ReplyContext&) {}

}  // namespace dsplink
