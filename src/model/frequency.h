#pragma once
// Frequency tables, stepping and typed-text parsing for EQ bands and crossovers.

#include <algorithm>
#include <string_view>

namespace model {

inline constexpr int MIN_FREQUENCY = 20;
inline constexpr int MAX_FREQUENCY = 20000;

inline int ClampFrequency(int hz) {
    return std::clamp(hz, MIN_FREQUENCY, MAX_FREQUENCY);
}

// Default frequency of band `band` for a channel using `bandCount` bands; -1 when the band
// lies outside that count's table.
int DefaultBandFrequency(int bandCount, int band);

// Next frequency on a 200-step log grid from 20 Hz to 20 kHz; never leaves 20..20000.
int StepFrequency(int frequency, bool up);

// "2K5" -> 2500, "10k" -> 10000, "315" -> 315; text without a number gives 0.
// The caller rejects results outside 20..20000.
int ParseFrequencyText(std::string_view text);

}  // namespace model
