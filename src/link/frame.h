#pragma once
// Frames: building the 65-byte output report, the checksum, and the parser that finds frames
// in the incoming byte stream. The parser keeps its state between reports.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "link/protocol.h"

namespace dsplink {

using OutputReport = std::array<uint8_t, kOutputReportSize>;

// The negated sum of LEN, type and the first LEN - 1 body bytes; its low byte is the checksum.
uint32_t packet_checksum(uint8_t length, uint8_t type, const uint8_t* body);

// Report ID 0, AA 55, LEN = n + 3, type, subcmd, optype, payload, checksum, zero padding.
// The payload must not exceed kMaxPayload bytes.
OutputReport BuildOutputReport(uint8_t type, uint8_t subcmd, uint8_t optype,
                               std::span<const uint8_t> payload);

// A frame that passed its checksum. body holds subcmd, optype and the payload.
struct FrameView {
    uint8_t length = 0;
    uint8_t type = 0;
    std::span<const uint8_t> body;  // exactly length - 1 bytes

    uint8_t subcmd() const { return body[0]; }
    uint8_t optype() const { return body[1]; }
    std::span<const uint8_t> payload() const { return body.subspan(2); }
};

class FrameParser {
  public:
    // valid: a frame with a good checksum and a body of at least subcmd and optype.
    // Called for every completed frame, good or not, with the wire bytes from 0xAA to the checksum.
    using FrameHandler =
        std::function<void(const FrameView& frame, bool valid, std::span<const uint8_t> wire)>;

    explicit FrameParser(FrameHandler handler) : mHandler(std::move(handler)) {}

    void Feed(uint8_t byte);
    void Feed(std::span<const uint8_t> bytes) {
        for (uint8_t b : bytes) {
            Feed(b);
        }
    }
    // Drops a partly received frame, so that stale bytes cannot swallow the next one.
    void Reset() { mState = 0; }

  private:
    FrameHandler mHandler;
    uint8_t mState = 0;
    uint8_t mLength = 0;
    uint8_t mType = 0;
    std::array<uint8_t, 60> mBody{};
};

}  // namespace dsplink
