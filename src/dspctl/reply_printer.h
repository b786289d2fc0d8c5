#pragma once
// One readable line per decoded reply, for the service tool's dump.

#include <string>

#include "link/reply_target.h"

namespace dspctl {

std::string DescribeReply(const dsplink::LinkMessage& message);

}  // namespace dspctl
