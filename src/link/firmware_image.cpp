#include "link/firmware_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <numeric>

namespace dsplink {

UpgradeTarget TargetForFileName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper.find("BL_UPG.BIN") != std::string::npos) {
        return UPG_TARGET_BOOTLOADER;
    }
    if (upper.find("FLASH_UPG.BIN") != std::string::npos) {
        return UPG_TARGET_FLASH;
    }
    if (upper.find("MCU_UPG.BIN") != std::string::npos) {
        return UPG_TARGET_MCU;
    }
    return UPG_TARGET_NONE;
}

FirmwareImage CheckFirmwareImage(std::span<const uint8_t> file, UpgradeTarget target,
                                 uint8_t model) {
    FirmwareImage image;
    const size_t size = file.size();
    // Shorter than header and trailer there is no body, and the body length would go negative.
    if (size < kImageMinSize || size > kImageMaxSize || target == UPG_TARGET_NONE) {
        return image;
    }
    image.fwId = file[0];
    image.modelId = file[1];
    std::copy_n(file.begin() + 2, image.startParams.size(), image.startParams.begin());
    const auto tail = file.last(4);
    image.storedChecksum = (uint32_t{tail[0]} << 24) | (uint32_t{tail[1]} << 16) |
                           (uint32_t{tail[2]} << 8) | uint32_t{tail[3]};
    const auto summed = file.first(size - 4);
    image.sum = std::accumulate(summed.begin(), summed.end(), uint32_t{0});

    const bool idOk = target == UPG_TARGET_FLASH || image.fwId == kImageFwId;
    if (!idOk || image.modelId != model || image.sum != image.storedChecksum) {
        return image;
    }
    const auto body = file.subspan(kImageHeaderSize, size - kImageHeaderSize - kImageTrailerSize);
    image.body.assign(body.begin(), body.end());
    image.result = UPG_FILE_VALID;
    return image;
}

UpgradeResult ReadFirmwareFile(const std::string& path, std::vector<uint8_t>& out) {
    out.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        return UPG_FILE_OPEN_FAIL;
    }
    // In chunks, and one byte past the limit at most: an oversized file is known without
    // reading it all.
    constexpr size_t kChunk = 64 * 1024;
    for (;;) {
        const size_t have = out.size();
        const size_t want = std::min(kChunk, kImageMaxSize + 1 - have);
        out.resize(have + want);
        const size_t got = std::fread(out.data() + have, 1, want, file.get());
        out.resize(have + got);
        if (out.size() > kImageMaxSize) {
            out.clear();
            return UPG_FILE_INVALID;
        }
        if (got < want) {
            break;
        }
    }
    // A directory opens but cannot be read.
    if (std::ferror(file.get())) {
        out.clear();
        return UPG_FILE_OPEN_FAIL;
    }
    return UPG_FILE_VALID;
}

}  // namespace dsplink
