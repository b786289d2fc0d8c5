#pragma once
// The HID connection as the link sees it. One implementation talks to the real amplifier
// through hidapi, the other to the virtual amplifier.

#include <cstddef>
#include <cstdint>
#include <string>

namespace dsplink {

enum class OpenResult {
    Opened,
    NotFound,     // no device with the vendor and product ID
    NoAccess,     // found, but the system refused to open it (permissions)
    BadIdentity,  // opened, but it did not answer its identity strings
};

class HidTransport {
  public:
    virtual ~HidTransport() = default;

    virtual OpenResult Open() = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Writes one output report (report ID first); returns the bytes written or -1.
    virtual int Write(const uint8_t* data, size_t length) = 0;
    // Reads one input report of at most `capacity` bytes, waiting up to timeoutMs;
    // returns its length, 0 on time-out, -1 on error.
    virtual int Read(uint8_t* buffer, size_t capacity, int timeoutMs) = 0;
    virtual std::string LastError() = 0;
    // After a failed Write or Read: whether the device itself is gone (unplugged), so that no
    // transfer on this handle can succeed again, rather than this one transfer having failed.
    virtual bool DeviceLost() = 0;
};

}  // namespace dsplink
