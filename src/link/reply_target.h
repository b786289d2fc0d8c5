#pragma once
// How decoded replies leave the link: a message number, wParam, and either a scalar value or
// an owned record, posted to one of five targets. A record is freed with its message, so it
// is never lost, delivered or not.

#include <cstdint>
#include <memory>

namespace dsplink {

enum WindowMessage : uint32_t {
    WM_READ_DSP_VALUE = 1234,
    WM_READ_MCU_VALUE = 1235,
    WM_READ_FLASH_VALUE = 1237,
    WM_SCENE_DELETED = 1238,
    WM_DEVICE_ABNORMAL = 1239,
    WM_DEVICE_REBOOT = 1240,
    WM_READ_IRC_VALUE = 1241,
    WM_CONNECT_FAILED = 1242,
    WM_DEVICE_READY = 1243,
    WM_DEVICE_DISCONNECT = 1245,
    WM_READ_KTV_VALUE = 1246,
    WM_FORCE_UPDATE = 1248,
    WM_READ_MEM_VALUE = 1249,
    WM_READ_SENCE_VALUE = 1250,
    WM_DSP_FW_NEWER = 1251,
};

enum class ReplyTargetId { Main, Scene, Calibration, Noise, Memory };
constexpr int kReplyTargetCount = 5;

// Base of every record carried by a message.
struct ReplyRecord {
    virtual ~ReplyRecord() = default;
};

struct LinkMessage {
    uint32_t message = 0;
    uint32_t wParam = 0;
    int32_t value = 0;  // scalar lParam; 0 when a record is carried
    std::unique_ptr<ReplyRecord> record;
};

class ReplyTarget {
  public:
    virtual ~ReplyTarget() = default;
    // Called on the thread that read the reply; must not block on the receiving thread.
    virtual void Post(LinkMessage message) = 0;
};

}  // namespace dsplink
