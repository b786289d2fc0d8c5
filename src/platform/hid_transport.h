#pragma once
// The real amplifier through hidapi.

#include <memory>

#include "link/transport.h"

namespace platform {

std::unique_ptr<dsplink::HidTransport> MakeHidTransport();

// Whether an amplifier (0483:5750) is attached, by HID enumeration; opens nothing.
bool AmplifierPresent();

}  // namespace platform
