// Firmware image files: the image check for every target, and the file-name rule on the bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/firmware_image.h"
#include "link/upgrade.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    for (const dsplink::UpgradeTarget target :
         {dsplink::UPG_TARGET_FLASH, dsplink::UPG_TARGET_MCU, dsplink::UPG_TARGET_BOOTLOADER}) {
        (void)dsplink::CheckFirmwareImage(file, target, 78);
    }
    (void)dsplink::TargetForFileName(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
