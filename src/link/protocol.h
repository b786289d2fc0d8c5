#pragma once
// Frame constants shared by the program and the virtual amplifier.

#include <cstddef>
#include <cstdint>

namespace dsplink {

constexpr uint16_t kVendorId = 0x0483;
constexpr uint16_t kProductId = 0x5750;

constexpr size_t kReportSize = 64;        // data bytes of one HID report
constexpr size_t kOutputReportSize = 65;  // report ID 0 in front
constexpr size_t kMaxPayload = 57;        // 7 + n must fit in one report
constexpr uint8_t kMaxFrameLength = 61;   // largest LEN the parser accepts
constexpr uint8_t kSync1 = 0xAA;
constexpr uint8_t kSync2 = 0x55;

enum PacketType : uint8_t {
    CMD_DSP = 1,
    CMD_FLASH = 2,
    CMD_MCU = 3,
    CMD_DSP_DWRITE = 4,
    CMD_KTV = 7,
};

enum OpType : uint8_t {
    OP_WRITE = 0xBB,
    OP_READ = 0x66,
    OP_UPDATE = 0xDD,
    OP_ACK = 0xEE,
};

// Status bytes inside OP_ACK payloads.
constexpr uint8_t ACK_READY = 0x0A;
constexpr uint8_t NOT_READY = 0x60;

// Time-outs of one exchange, in ms.
constexpr int kReplyTimeoutMs = 10000;
constexpr int kWriteClaimTimeoutMs = 2000;
constexpr int kSceneTimeoutMs = 20000;
constexpr int kFactoryResetTimeoutMs = 30000;
constexpr int kQueueIdlePollMs = 5;
// A request is written this many times before it counts as failed: again when its answer is
// missing, damaged or not its own. The tries share the request's time-out, so a silent device
// costs one time-out per request, as with a single try.
constexpr int kRequestAttempts = 3;

}  // namespace dsplink
