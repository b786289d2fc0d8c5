#pragma once
// Clamps for user-entered values; every edit stores a value inside these ranges.

#include <algorithm>
#include <cmath>

namespace model {

inline constexpr float MIN_OUTPUT_GAIN = -60.0f;
inline constexpr float MAX_OUTPUT_GAIN = 0.0f;
inline constexpr int MIN_MAIN_VOLUME = -60;
inline constexpr int MAX_MAIN_VOLUME = 6;
inline constexpr float MIN_EQ_GAIN = -18.0f;
inline constexpr float MAX_EQ_GAIN = 12.0f;
inline constexpr float MIN_EQ_Q = 0.5f;
inline constexpr float MAX_EQ_Q = 9.0f;
// One Q up/down click: the finest step the wire carries.
inline constexpr float EQ_Q_STEP = 0.1f;
// One up/down click of the delay slider, in ms.
inline constexpr float DELAY_STEP_MS = 0.021f;
inline constexpr int MIN_MIX_LEVEL = 0;
inline constexpr int MAX_MIX_LEVEL = 100;

// NaN falls to the lower bound so it never reaches the device.
inline float ClampFloat(float v, float lo, float hi) {
    return std::isnan(v) ? lo : std::clamp(v, lo, hi);
}

inline float ClampOutputGain(float db) {
    return ClampFloat(db, MIN_OUTPUT_GAIN, MAX_OUTPUT_GAIN);
}
inline int ClampMainVolume(int db) {
    return std::clamp(db, MIN_MAIN_VOLUME, MAX_MAIN_VOLUME);
}
inline float ClampEqGain(float db) {
    return ClampFloat(db, MIN_EQ_GAIN, MAX_EQ_GAIN);
}
inline float ClampEqQ(float q) {
    return ClampFloat(q, MIN_EQ_Q, MAX_EQ_Q);
}
inline int ClampMixLevel(int level) {
    return std::clamp(level, MIN_MIX_LEVEL, MAX_MIX_LEVEL);
}

// The nearest value the wire carries, counted in steps of 1/perUnit. An edit stores this, so
// that the screen, the model, a saved file and the amplifier hold the same number.
inline float NearestStep(float v, double perUnit) {
    return static_cast<float>(std::round(static_cast<double>(v) * perUnit) / perUnit);
}
// EQ gain and Q travel in tenths, channel trims in whole dB.
inline float WireEqGain(float db) {
    return NearestStep(ClampEqGain(db), 10.0);
}
inline float WireEqQ(float q) {
    return NearestStep(ClampEqQ(q), 10.0);
}
inline float WireOutputGain(float db) {
    return NearestStep(ClampOutputGain(db), 1.0);
}

}  // namespace model
