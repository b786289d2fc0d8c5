#pragma once
// Firmware image files: which kind a file name names, and whether its bytes are an image this
// amplifier takes. Pure apart from ReadFirmwareFile, so that the checks can be fed any bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/upgrade.h"

namespace dsplink {

// The smallest file with at least one body byte.
constexpr size_t kImageMinSize = kImageHeaderSize + kImageTrailerSize + 1;

// By the name after the last '/' or '\', in upper case: "BL_UPG.BIN" anywhere in it selects the
// bootloader, else "FLASH_UPG.BIN" the DSP flash, else "MCU_UPG.BIN" the MCU application.
UpgradeTarget TargetForFileName(std::string_view path);

struct FirmwareImage {
    UpgradeResult result = UPG_FILE_INVALID;
    uint8_t fwId = 0;
    uint8_t modelId = 0;
    std::array<uint8_t, 4> startParams{};
    std::vector<uint8_t> body;    // empty unless the image is valid
    uint32_t storedChecksum = 0;  // the last four bytes, big-endian
    uint32_t sum = 0;             // of every byte before them
};

// UPG_FILE_VALID, or UPG_FILE_INVALID for a size outside kImageMinSize..kImageMaxSize, a wrong
// FW_ID (MCU and bootloader only), a FW_MODEL_ID other than `model`, or a checksum mismatch.
// The header and checksum fields are filled whenever the size allows.
FirmwareImage CheckFirmwareImage(std::span<const uint8_t> file, UpgradeTarget target,
                                 uint8_t model);

// Reads the whole file into `out`: UPG_FILE_OPEN_FAIL when it cannot be opened or read,
// UPG_FILE_INVALID (and `out` empty) as soon as it proves larger than kImageMaxSize.
UpgradeResult ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& out);

}  // namespace dsplink
