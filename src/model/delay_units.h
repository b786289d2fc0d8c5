#pragma once
// Delay shown and typed as milliseconds, centimetres or inches; the model stores milliseconds.

#include <string>
#include <string_view>

namespace model {

enum DelayUnit { kDelayMs = 0, kDelayCm = 1, kDelayIn = 2 };

inline constexpr float MAX_DELAY_MS = 15.0f;
// Distances covered by the full 15 ms delay range.
inline constexpr int MAX_DELAY_CM = 519;
inline constexpr int MAX_DELAY_IN = 204;

float ClampDelayMs(float ms);
// Whole centimetres or inches for the distance units; unknown units clamp only.
float QuantizeDelayMs(float ms, int unit);
// "%.3f ms", "%d cm" or "%d in"; unknown units fall back to milliseconds.
std::string DelayMsToText(float ms, int unit);
// Number typed in the given unit converted to ms, neither clamped nor quantised.
float DelayTextToMs(std::string_view text, int unit);

}  // namespace model
