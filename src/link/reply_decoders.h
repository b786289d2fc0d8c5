#pragma once
// The four reply decoders. Each takes a frame that passed its checksum, reads only inside its
// payload, and posts what it decoded. Frames that are short, out of range or of an
// unexpected optype post nothing.

#include "link/frame.h"
#include "link/link_state.h"
#include "link/reply_target.h"

namespace dsplink {

class ReplyContext {
  public:
    virtual ~ReplyContext() = default;
    // Delivers to the target's handler, or frees the message when no target is set.
    virtual void Post(ReplyTargetId target, LinkMessage message) = 0;
    virtual LinkState& State() = 0;
};

void DecodeDspReply(const FrameView& frame, ReplyContext& context);
void DecodeMcuReply(const FrameView& frame, ReplyContext& context);
void DecodeFlashReply(const FrameView& frame, ReplyContext& context);
void DecodeKtvReply(const FrameView& frame, ReplyContext& context);

}  // namespace dsplink
