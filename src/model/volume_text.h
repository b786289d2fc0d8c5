#pragma once
// Texts of the volume fields and reading what the user typed into them.

#include <optional>
#include <string>
#include <string_view>

namespace model {

// The text key shown at the bottom of a volume range.
inline constexpr const char* kOffTextKey = "${off}";

// Output volume: "%ddB" of the whole-dB part of the gain, kOffTextKey at -60 dB or below.
std::string ChannelVolumeText(float gain);
// Main volume: "%gdB" of the rounded volume, kOffTextKey at -60 or below.
std::string MainVolumeText(float volume);

// A typed whole number of dB: a sign and digits, an optional fraction (dropped) and an optional
// "dB", with spaces around. offText (the resolved "${off}") reads as offValue. Anything else is not
// a number: nullopt, so the caller restores the previous value instead of jumping to 0 dB.
std::optional<int> ParseVolumeText(std::string_view text, std::string_view offText, int offValue);

}  // namespace model
