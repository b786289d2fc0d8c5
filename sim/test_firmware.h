#pragma once
// Firmware images for the virtual amplifier: whole image files the program can check and send,
// whose body opens with a small header that the virtual amplifier reads back after the
// transfer to learn the version it now runs.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "link/upgrade.h"

namespace sim {

// Body header: magic "ORNT", target, major, minor, 0, body length (u32 big-endian).
constexpr size_t kTestFirmwareHeaderSize = 12;

struct TestFirmwareInfo {
    dsplink::UpgradeTarget target = dsplink::UPG_TARGET_NONE;
    uint8_t major = 0;
    uint8_t minor = 0;
    uint32_t bodySize = 0;  // header included
};

// A whole image file: FW_ID (1, or 2 for the DSP flash), model, 4 start bytes (the body length,
// big-endian), the body, a trailer word and the big-endian sum of all bytes before it. A body
// shorter than its header is made as long as the header; the filler is the same on every call.
std::vector<uint8_t> MakeTestFirmware(dsplink::UpgradeTarget target, uint8_t model, uint8_t major,
                                      uint8_t minor, size_t bodySize);

// The header at the start of `body`, or nothing when it is not one of ours.
std::optional<TestFirmwareInfo> ParseTestFirmwareBody(std::span<const uint8_t> body);

}  // namespace sim
