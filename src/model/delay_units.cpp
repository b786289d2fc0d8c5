#include "model/delay_units.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace model {

namespace {

// Distance units per full range, or 0 for milliseconds.
int UnitsPerRange(int unit) {
    switch (unit) {
        case kDelayCm:
            return MAX_DELAY_CM;
        case kDelayIn:
            return MAX_DELAY_IN;
        default:
            return 0;
    }
}

long WholeUnits(float ms, int perRange) {
    return std::lround(ms * perRange / MAX_DELAY_MS);
}

}  // namespace

float ClampDelayMs(float ms) {
    // NaN from a bad conversion must not reach the device.
    if (std::isnan(ms)) {
        return 0.0f;
    }
    return std::clamp(ms, 0.0f, MAX_DELAY_MS);
}

float QuantizeDelayMs(float ms, int unit) {
    const float clamped = ClampDelayMs(ms);
    const int perRange = UnitsPerRange(unit);
    const float inUnit =
        perRange == 0 ? clamped
                      : static_cast<float>(WholeUnits(clamped, perRange)) * MAX_DELAY_MS / perRange;
    // The amplifier keeps whole microseconds.
    return static_cast<float>(std::round(static_cast<double>(inUnit) * 1000.0) / 1000.0);
}

std::string DelayMsToText(float ms, int unit) {
    const float clamped = ClampDelayMs(ms);
    char text[32];
    switch (unit) {
        case kDelayCm:
            std::snprintf(text, sizeof text, "%d cm",
                          static_cast<int>(WholeUnits(clamped, MAX_DELAY_CM)));
            break;
        case kDelayIn:
            std::snprintf(text, sizeof text, "%d in",
                          static_cast<int>(WholeUnits(clamped, MAX_DELAY_IN)));
            break;
        default:
            std::snprintf(text, sizeof text, "%.3f ms", static_cast<double>(clamped));
            break;
    }
    return text;
}

float DelayTextToMs(std::string_view text, int unit) {
    const std::string copy(text);
    const float value = std::strtof(copy.c_str(), nullptr);
    const int perRange = UnitsPerRange(unit);
    return perRange == 0 ? value : value * MAX_DELAY_MS / perRange;
}

std::string DelayFieldText(float ms, int unit) {
    const float clamped = ClampDelayMs(ms);
    const int perRange = UnitsPerRange(unit);
    char text[32];
    if (perRange == 0) {
        std::snprintf(text, sizeof text, "%.3f", static_cast<double>(clamped));
    } else {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(WholeUnits(clamped, perRange)));
    }
    return text;
}

std::optional<float> ParseDelayText(std::string_view text, int unit) {
    const std::string copy(text);
    const char* start = copy.c_str();
    char* end = nullptr;
    const float value = std::strtof(start, &end);
    // strtof also takes "nan" and "inf"; neither is a delay.
    if (end == start || !std::isfinite(value)) {
        return std::nullopt;
    }
    const int perRange = UnitsPerRange(unit);
    return perRange == 0 ? value : value * MAX_DELAY_MS / perRange;
}

float DelayUnitStepMs(int unit) {
    const int perRange = UnitsPerRange(unit);
    return perRange == 0 ? 0.0f : MAX_DELAY_MS / perRange;
}

}  // namespace model
