#pragma once
// The identity strings an amplifier answers when opened. A device that answers fewer than two
// of the four is not taken as the amplifier.

#include <optional>
#include <string>

namespace dsplink {

struct DeviceIdentity {
    std::optional<std::wstring> manufacturer;
    std::optional<std::wstring> product;
    std::optional<std::wstring> serialNumber;
    std::optional<std::wstring> indexedString1;
};

// Logs each string or its failure; true when at most two of the four reads failed.
bool AcceptDeviceIdentity(const DeviceIdentity& identity);

}  // namespace dsplink
