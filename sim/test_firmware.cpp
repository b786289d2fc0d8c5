#include "sim/test_firmware.h"

#include <algorithm>
#include <array>

namespace sim {
namespace {

constexpr std::array<uint8_t, 4> kMagic = {'O', 'R', 'N', 'T'};
constexpr std::array<uint8_t, 4> kTrailer = {0xA5, 0x5A, 0xA5, 0x5A};

void PushU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

uint32_t U32(std::span<const uint8_t> p, size_t offset) {
    return (uint32_t{p[offset]} << 24) | (uint32_t{p[offset + 1]} << 16) |
           (uint32_t{p[offset + 2]} << 8) | p[offset + 3];
}

}  // namespace

std::vector<uint8_t> MakeTestFirmware(dsplink::UpgradeTarget target, uint8_t model, uint8_t major,
                                      uint8_t minor, size_t bodySize) {
    bodySize = std::max(bodySize, kTestFirmwareHeaderSize);
    const auto length = static_cast<uint32_t>(bodySize);
    std::vector<uint8_t> file;
    file.reserve(dsplink::kImageHeaderSize + bodySize + dsplink::kImageTrailerSize);
    file.push_back(target == dsplink::UPG_TARGET_FLASH ? 2 : dsplink::kImageFwId);
    file.push_back(model);
    PushU32(file, length);

    file.insert(file.end(), kMagic.begin(), kMagic.end());
    file.push_back(static_cast<uint8_t>(target));
    file.push_back(major);
    file.push_back(minor);
    file.push_back(0);
    PushU32(file, length);
    // xorshift32, seeded by what the image is, so two kinds of image never look alike.
    uint32_t x = 0x9E3779B9u ^ (uint32_t{static_cast<uint8_t>(target)} << 16) ^
                 (uint32_t{major} << 8) ^ minor;
    for (size_t i = kTestFirmwareHeaderSize; i < bodySize; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        file.push_back(static_cast<uint8_t>(x >> 24));
    }

    file.insert(file.end(), kTrailer.begin(), kTrailer.end());
    uint32_t sum = 0;
    for (uint8_t b : file) {
        sum += b;
    }
    PushU32(file, sum);
    return file;
}

std::optional<TestFirmwareInfo> ParseTestFirmwareBody(std::span<const uint8_t> body) {
    if (body.size() < kTestFirmwareHeaderSize ||
        !std::equal(kMagic.begin(), kMagic.end(), body.begin())) {
        return std::nullopt;
    }
    const uint8_t target = body[4];
    if (target < dsplink::UPG_TARGET_FLASH || target > dsplink::UPG_TARGET_BOOTLOADER) {
        return std::nullopt;
    }
    TestFirmwareInfo info;
    info.target = static_cast<dsplink::UpgradeTarget>(target);
    info.major = body[5];
    info.minor = body[6];
    info.bodySize = U32(body, 8);
    const size_t maxBody =
        dsplink::kImageMaxSize - dsplink::kImageHeaderSize - dsplink::kImageTrailerSize;
    if (info.bodySize < kTestFirmwareHeaderSize || info.bodySize > maxBody) {
        return std::nullopt;
    }
    return info;
}

}  // namespace sim
