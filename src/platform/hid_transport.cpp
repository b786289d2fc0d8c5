#include "platform/hid_transport.h"

#include <hidapi/hidapi.h>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "link/device_identity.h"
#include "link/protocol.h"
#include "shell/run_log.h"

namespace platform {
namespace {

constexpr size_t kStringLength = 255;

std::optional<std::wstring> ReadString(int (*query)(hid_device*, wchar_t*, size_t),
                                       hid_device* device) {
    wchar_t text[kStringLength + 1] = {};
    if (query(device, text, kStringLength) < 0) {
        return std::nullopt;
    }
    text[kStringLength] = L'\0';
    return std::wstring(text);
}

// hid_open only says "no"; look for the device itself to tell "absent" from "not allowed".
dsplink::OpenResult DiagnoseOpenFailure() {
    hid_device_info* devices = hid_enumerate(dsplink::kVendorId, dsplink::kProductId);
    dsplink::OpenResult result = dsplink::OpenResult::NotFound;
    for (hid_device_info* d = devices; d != nullptr; d = d->next) {
        const int fd = ::open(d->path, O_RDWR);
        if (fd >= 0) {
            ::close(fd);
            continue;
        }
        if (errno == EACCES || errno == EPERM) {
            result = dsplink::OpenResult::NoAccess;
            break;
        }
    }
    if (devices != nullptr && result == dsplink::OpenResult::NotFound) {
        result = dsplink::OpenResult::NoAccess;
    }
    hid_free_enumeration(devices);
    return result;
}

class HidapiTransport : public dsplink::HidTransport {
  public:
    ~HidapiTransport() override { Close(); }

    dsplink::OpenResult Open() override {
        if (hid_init() != 0) {
            return dsplink::OpenResult::NotFound;
        }
        hid_device* device = hid_open(dsplink::kVendorId, dsplink::kProductId, nullptr);
        if (device == nullptr) {
            return DiagnoseOpenFailure();
        }
        dsplink::DeviceIdentity identity;
        identity.manufacturer = ReadString(hid_get_manufacturer_string, device);
        identity.product = ReadString(hid_get_product_string, device);
        identity.serialNumber = ReadString(hid_get_serial_number_string, device);
        wchar_t indexed[kStringLength + 1] = {};
        if (hid_get_indexed_string(device, 1, indexed, kStringLength) >= 0) {
            indexed[kStringLength] = L'\0';
            identity.indexedString1 = std::wstring(indexed);
        }
        if (!dsplink::AcceptDeviceIdentity(identity)) {
            hid_close(device);
            return dsplink::OpenResult::BadIdentity;
        }
        hid_set_nonblocking(device, 1);
        mDevice = device;
        const hid_device_info* info = hid_get_device_info(device);
        mPath = info != nullptr && info->path != nullptr ? info->path : "";
        return dsplink::OpenResult::Opened;
    }

    void Close() override {
        if (mDevice != nullptr) {
            hid_close(mDevice);
            mDevice = nullptr;
            mPath.clear();
        }
    }

    bool IsOpen() const override { return mDevice != nullptr; }

    int Write(const uint8_t* data, size_t length) override {
        return mDevice == nullptr ? -1 : hid_write(mDevice, data, length);
    }

    int Read(uint8_t* buffer, size_t capacity, int timeoutMs) override {
        return mDevice == nullptr ? -1 : hid_read_timeout(mDevice, buffer, capacity, timeoutMs);
    }

    std::string LastError() override {
        const wchar_t* text = hid_error(mDevice);
        return text == nullptr ? std::string() : runlog::WideToUtf8(text);
    }

    // hidapi says "device disconnected" when the handle hangs up, and the kernel removes the
    // hidraw node with the device; a failed transfer with neither is only that transfer's.
    bool DeviceLost() override {
        if (mDevice == nullptr) {
            return false;
        }
        return LastError().find("disconnected") != std::string::npos ||
               (!mPath.empty() && ::access(mPath.c_str(), F_OK) != 0);
    }

  private:
    hid_device* mDevice = nullptr;
    std::string mPath;  // the device node, e.g. /dev/hidraw3
};

}  // namespace

std::unique_ptr<dsplink::HidTransport> MakeHidTransport() {
    return std::make_unique<HidapiTransport>();
}

bool AmplifierPresent() {
    if (hid_init() != 0) {
        return false;
    }
    hid_device_info* devices = hid_enumerate(dsplink::kVendorId, dsplink::kProductId);
    const bool present = devices != nullptr;
    hid_free_enumeration(devices);
    return present;
}

}  // namespace platform
