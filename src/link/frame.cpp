#include "link/frame.h"

#include <algorithm>

#include "shell/run_log.h"

namespace dsplink {

uint32_t packet_checksum(uint8_t length, uint8_t type, const uint8_t* body) {
    uint32_t sum = length + type;
    for (int i = 0; i + 1 < length; ++i) {
        sum += body[i];
    }
    const uint32_t negated = 0u - sum;
    runlog::Log("packet_checksum: temp_sum(0x%08x)\n", negated);
    return negated;
}

OutputReport BuildOutputReport(uint8_t type, uint8_t subcmd, uint8_t optype,
                               std::span<const uint8_t> payload) {
    OutputReport report{};
    const size_t n = std::min(payload.size(), kMaxPayload);
    report[1] = kSync1;
    report[2] = kSync2;
    report[3] = static_cast<uint8_t>(n + 3);
    report[4] = type;
    report[5] = subcmd;
    report[6] = optype;
    std::copy_n(payload.begin(), n, report.begin() + 7);
    report[7 + n] = static_cast<uint8_t>(packet_checksum(report[3], type, &report[5]));
    return report;
}

void FrameParser::Feed(uint8_t b) {
    if (mState == 0) {
        if (b == kSync1) {
            mState = 1;
        }
        return;
    }
    if (mState == 1) {
        // Bytes between 0xAA and 0x55 are skipped, as the device's own parser does.
        if (b == kSync2) {
            mState = 2;
        }
        return;
    }
    if (mState == 2) {
        mLength = b;
        mState = 3;
        return;
    }
    if (mState == 3) {
        mType = b;
        mState = 4;
        return;
    }
    const int k = mState;
    runlog::Log("packet_process: temp_index(0x%02x), packet_length(0x%02x), packet_byte(0x%02x)\n",
                k, mLength + 3, b);
    if (k == mLength + 3) {
        mState = 0;
        const bool checksumOk =
            static_cast<uint8_t>(packet_checksum(mLength, mType, mBody.data())) == b;
        // LEN below 3 has no subcmd and optype: nothing to dispatch.
        const bool valid = checksumOk && mLength >= 3;
        std::array<uint8_t, 65> wire{};
        const size_t bodySize = mLength >= 1 ? mLength - 1u : 0u;
        wire[0] = kSync1;
        wire[1] = kSync2;
        wire[2] = mLength;
        wire[3] = mType;
        std::copy_n(mBody.begin(), bodySize, wire.begin() + 4);
        wire[4 + bodySize] = b;
        const FrameView frame{mLength, mType, std::span<const uint8_t>(mBody.data(), bodySize)};
        mHandler(frame, valid, std::span<const uint8_t>(wire.data(), bodySize + 5));
        return;
    }
    if (k >= 64) {
        mState = 0;
        return;
    }
    mBody[k - 4] = b;
    mState = static_cast<uint8_t>(k + 1);
}

}  // namespace dsplink
