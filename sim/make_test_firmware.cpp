// make_test_firmware MCU_OUT FLASH_OUT: writes the MCU and DSP flash images the program carries,
// at the firmware version it is built with, in a form the virtual amplifier recognises.

#include <cstdio>
#include <fstream>
#include <vector>

#include "shell/identity.h"
#include "sim/test_firmware.h"

namespace {

constexpr size_t kMcuBodySize = 32 * 1024;
constexpr size_t kFlashBodySize = 48 * 1024;

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_test_firmware: cannot write %s\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_test_firmware MCU_OUT FLASH_OUT\n");
        return 2;
    }
    const auto image = [](dsplink::UpgradeTarget target, size_t bodySize) {
        return sim::MakeTestFirmware(target, shell::kModelId, shell::kBuiltInFirmwareMajor,
                                     shell::kBuiltInFirmwareMinor, bodySize);
    };
    const bool written = WriteFile(argv[1], image(dsplink::UPG_TARGET_MCU, kMcuBodySize)) &&
                         WriteFile(argv[2], image(dsplink::UPG_TARGET_FLASH, kFlashBodySize));
    return written ? 0 : 1;
}
