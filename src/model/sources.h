#pragma once
// Input sources: combo items, device codes, input counts and default routing.

#include <string_view>

namespace model {

// Input channels a source has; 0 for hidden sources and out-of-range indices.
int SourceInputCount(int source);
// Device code of a source (0x51..0x59); -1 out of range.
int SourceDeviceCode(int source);
// Source index of a device code; -1 for an unknown code.
int SourceOfDeviceCode(int code);
// Item name in the source combo; empty out of range.
std::string_view SourceComboItem(int source);
// Whether the source is offered to the user (this model hides 4, 7 and 8).
bool IsSourceShown(int source);
// Default routing mask of a source to an output; 0 when either index is out of range.
int DefaultInputMask(int source, int output);

}  // namespace model
