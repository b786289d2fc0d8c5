#pragma once
// The value encodings that payloads share: big-endian integers, decimal pairs, delay triples.
// Writers build payloads; readers take them apart and never read past the end.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dsplink {

using Payload = std::vector<uint8_t>;

// Truncates a value counted in steps (tenths, thousandths). A value within 0.001 step of a whole
// step is taken as that step, so that 2.3 stored as 2.2999999 is not sent as 2.2.
inline int64_t TruncSteps(double steps) {
    const double nearest = std::round(steps);
    if (std::fabs(steps - nearest) < 1e-3) {
        return static_cast<int64_t>(nearest);
    }
    return static_cast<int64_t>(std::trunc(steps));
}

class PayloadWriter {
  public:
    PayloadWriter& Byte(int v) {
        mBytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    PayloadWriter& U16(uint32_t v) {
        mBytes.push_back(static_cast<uint8_t>(v >> 8));
        mBytes.push_back(static_cast<uint8_t>(v & 0xFF));
        return *this;
    }
    PayloadWriter& U32Le(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            mBytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    // trunc(v), then trunc(v * 10) mod 10. A negative v gives two negative bytes: -12.5 is F4 FB.
    PayloadWriter& Tenths(double v) {
        const int64_t total = TruncSteps(v * 10.0);
        return Byte(static_cast<int>(total / 10)).Byte(static_cast<int>(total % 10));
    }
    // Whole milliseconds, then the thousandths as a u16.
    PayloadWriter& Delay(double ms) {
        const int64_t total = TruncSteps(ms * 1000.0);
        return Byte(static_cast<int>(total / 1000)).U16(static_cast<uint32_t>(total % 1000));
    }
    PayloadWriter& Bytes(std::span<const uint8_t> bytes) {
        mBytes.insert(mBytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Payload Take() { return std::move(mBytes); }
    size_t Size() const { return mBytes.size(); }

  private:
    Payload mBytes;
};

// Reads at fixed offsets; every accessor checks that its bytes are inside the payload.
class PayloadReader {
  public:
    explicit PayloadReader(std::span<const uint8_t> bytes) : mBytes(bytes) {}

    size_t Size() const { return mBytes.size(); }
    bool Has(size_t offset, size_t width) const {
        return offset <= mBytes.size() && width <= mBytes.size() - offset;
    }
    uint8_t Byte(size_t offset) const { return mBytes[offset]; }
    int8_t Signed(size_t offset) const { return static_cast<int8_t>(mBytes[offset]); }
    uint16_t U16(size_t offset) const {
        return static_cast<uint16_t>((mBytes[offset] << 8) | mBytes[offset + 1]);
    }
    double Tenths(size_t offset) const { return mBytes[offset] + mBytes[offset + 1] / 10.0; }
    double Hundredths(size_t offset) const { return mBytes[offset] + mBytes[offset + 1] / 100.0; }
    double Delay(size_t offset) const { return mBytes[offset] + U16(offset + 1) / 1000.0; }
    std::span<const uint8_t> Span() const { return mBytes; }

  private:
    std::span<const uint8_t> mBytes;
};

}  // namespace dsplink
