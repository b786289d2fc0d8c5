#pragma once
// Delay shown and typed as milliseconds, centimetres or inches; the model stores milliseconds.

#include <optional>
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

// A delay field's text without the unit: "%d" for cm and in, "%.3f" for ms.
std::string DelayFieldText(float ms, int unit);
// What the user typed into a delay field, converted to ms (not clamped); nullopt when the text
// does not start with a number, so the field shows its old value instead of jumping to 0.
std::optional<float> ParseDelayText(std::string_view text, int unit);
// One whole centimetre or inch in ms; 0 for milliseconds and unknown units.
float DelayUnitStepMs(int unit);

}  // namespace model
