#pragma once
// Fixed scale of every response curve the program draws.

namespace dsp {

inline constexpr int CURVE_POINTS = 512;
inline constexpr double CURVE_SAMPLE_RATE = 48000.0;

// A section whose power gain |H|^2 is at most this is drawn at the floor: deep stop bands
// then sit at a fixed level instead of running off to minus infinity.
inline constexpr double kFloorPower = 1e-8;
inline constexpr double kFloorDb = -400.0;  // 10 * log10(1e-40)
// Mirror of the floor, so that no design, however odd, puts an infinity on the graph.
inline constexpr double kCeilingPower = 1e40;
inline constexpr double kCeilingDb = 400.0;

}  // namespace dsp
