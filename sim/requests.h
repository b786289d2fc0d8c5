#pragma once
// What the virtual amplifier does with one request frame: apply it to the state and build the
// answer. No locking, no faults, no timing: VirtualAmplifier and SimTransport add those.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "link/frame.h"
#include "link/protocol.h"
#include "sim/device_state.h"

namespace sim {

using InputReport = std::array<uint8_t, dsplink::kReportSize>;

// The answer to a request, or nothing for the request the device never answers (PC connect)
// and for frames that are not requests (OP_UPDATE, OP_ACK). Firmware upgrade steps and the
// reboot are the loader's (sim/firmware_loader.h).
std::optional<InputReport> Answer(DeviceState& state, const dsplink::FrameView& frame);

// The 64-byte input report of one frame from the device.
InputReport MakeInputReport(uint8_t type, uint8_t subcmd, uint8_t optype,
                            std::span<const uint8_t> payload);

// OP_ACK with ACK_READY (taken) or NOT_READY, then the request's first byte.
InputReport Acknowledge(uint8_t type, uint8_t subcmd, std::span<const uint8_t> request, bool taken);

}  // namespace sim
