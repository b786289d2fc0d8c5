#include "link/device_identity.h"

#include "shell/run_log.h"

namespace dsplink {

bool AcceptDeviceIdentity(const DeviceIdentity& identity) {
    int failures = 0;
    auto text = [](const std::optional<std::wstring>& s) {
        return s ? runlog::WideToUtf8(s->c_str()) : std::string();
    };
    if (!identity.manufacturer) {
        runlog::Log("Unable to read manufacturer string\n");
        ++failures;
    }
    runlog::Log("Manufacturer String: %s\n", text(identity.manufacturer).c_str());
    if (!identity.product) {
        runlog::Log("Unable to read product string\n");
        ++failures;
    }
    runlog::Log("Product String: %s\n", text(identity.product).c_str());
    if (!identity.serialNumber) {
        runlog::Log("Unable to read serial number string\n");
        ++failures;
    }
    const int firstCode =
        identity.serialNumber && !identity.serialNumber->empty() ? (*identity.serialNumber)[0] : 0;
    runlog::Log("Serial Number String: (%d) %s\n", firstCode, text(identity.serialNumber).c_str());
    if (!identity.indexedString1) {
        runlog::Log("Unable to read indexed string 1\n");
        ++failures;
    }
    runlog::Log("Indexed String 1: %s\n", text(identity.indexedString1).c_str());
    if (failures >= 3) {
        runlog::Log("read HID info error, unable open device correctly\n");
        return false;
    }
    return true;
}

}  // namespace dsplink
