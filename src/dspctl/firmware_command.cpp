#include "dspctl/firmware_command.h"

#include <string>
#include <vector>

#include "dspctl/dspctl.h"
#include "link/firmware_image.h"
#include "link/upgrade.h"
#include "shell/identity.h"

namespace dspctl {
namespace {

constexpr int kBarWidth = 40;

const char* TargetName(dsplink::UpgradeTarget target) {
    switch (target) {
        case dsplink::UPG_TARGET_MCU:
            return "MCU firmware";
        case dsplink::UPG_TARGET_FLASH:
            return "DSP firmware";
        case dsplink::UPG_TARGET_BOOTLOADER:
            return "MCU bootloader";
        case dsplink::UPG_TARGET_NONE:
            break;
    }
    return "unknown";
}

void PrintBar(std::FILE* out, int percent) {
    const int filled = percent * kBarWidth / 100;
    std::fprintf(out, "\r[%s%s] %3d %%", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(kBarWidth - filled), '-').c_str(), percent);
    std::fflush(out);
}

std::string StartProblem(int result) {
    switch (result) {
        case dsplink::UPG_FILE_OPEN_FAIL:
            return "the image file cannot be opened";
        case dsplink::UPG_FILE_INVALID:
            return "the image file is not valid";
        case dsplink::UPG_CONNECT_FAIL:
            return "the amplifier did not come back in its loader after being told to enter "
                   "upgrade mode; unplug it, plug it in again and repeat the command";
        case dsplink::UPG_START_FAIL:
            return "the amplifier refused to start the update (nothing was written)";
        default:
            return "unexpected result " + std::to_string(result);
    }
}

}  // namespace

bool CheckFirmwareFile(const std::string& path, std::FILE* err) {
    const dsplink::UpgradeTarget target = dsplink::TargetForFileName(path);
    if (target == dsplink::UPG_TARGET_NONE) {
        std::fprintf(err,
                     "%s: the name must end in MCU_UPG.bin, FLASH_UPG.bin or BL_UPG.bin, "
                     "which tells the kind of image\n",
                     path.c_str());
        return false;
    }
    std::vector<uint8_t> bytes;
    const dsplink::UpgradeResult read = dsplink::ReadFirmwareFile(path, bytes);
    if (read == dsplink::UPG_FILE_OPEN_FAIL) {
        std::fprintf(err, "%s: cannot be opened\n", path.c_str());
        return false;
    }
    if (read != dsplink::UPG_FILE_VALID) {
        std::fprintf(err, "%s: larger than the %zu bytes an image may have\n", path.c_str(),
                     dsplink::kImageMaxSize);
        return false;
    }
    const dsplink::FirmwareImage image =
        dsplink::CheckFirmwareImage(bytes, target, static_cast<uint8_t>(shell::kModelId));
    if (image.result == dsplink::UPG_FILE_VALID) {
        return true;
    }
    if (bytes.size() < dsplink::kImageMinSize) {
        std::fprintf(err, "%s: %zu bytes is too short for an image\n", path.c_str(), bytes.size());
    } else if (target != dsplink::UPG_TARGET_FLASH && image.fwId != dsplink::kImageFwId) {
        std::fprintf(err, "%s: not an MCU image (its ID byte is %d)\n", path.c_str(), image.fwId);
    } else if (image.modelId != shell::kModelId) {
        std::fprintf(err, "%s: made for model %d, not for this amplifier (model %d)\n",
                     path.c_str(), image.modelId, shell::kModelId);
    } else {
        std::fprintf(err, "%s: damaged (checksum 0x%08X, the bytes sum to 0x%08X)\n", path.c_str(),
                     image.storedChecksum, image.sum);
    }
    return false;
}

int RunFirmwareTransfer(dsplink::DspLink& link, const std::string& path, bool& restarts,
                        std::FILE* out, std::FILE* err) {
    const dsplink::UpgradeTarget target = dsplink::TargetForFileName(path);
    restarts = false;
    std::fprintf(out, "Writing the %s from %s\n", TargetName(target), path.c_str());
    const int started = link.UpgradeStart(path);
    if (started != dsplink::UPG_FILE_VALID) {
        std::fprintf(err, "The update did not start: %s.\n", StartProblem(started).c_str());
        return kExitFirmware;
    }
    int shown = -1;
    int value = 0;
    for (;;) {
        value = link.UpgradeStep();
        if (value > 100) {
            break;
        }
        if (value != shown) {
            PrintBar(out, value);
            shown = value;
        }
    }
    std::fputc('\n', out);
    if (value != dsplink::kUpgradeStepFinished) {
        std::fprintf(err,
                     "The update failed: the amplifier stopped answering or went away. It may "
                     "now run its loader; repeat the command to write the image again.\n");
        return kExitFirmware;
    }
    restarts = target != dsplink::UPG_TARGET_BOOTLOADER;
    std::fprintf(out, "The %s is written.\n", TargetName(target));
    return kExitOk;
}

}  // namespace dspctl
