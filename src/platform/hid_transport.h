#pragma once
// The real amplifier through hidapi.

#include <memory>

#include "transport.h"

namespace platform {

std::unique_ptr<dsplink::HidTransport> MakeHidTransport();

}  // namespace platform
