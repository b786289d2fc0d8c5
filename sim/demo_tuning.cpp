#include "sim/demo_tuning.h"

namespace sim {

namespace {

// Tenths pair of a gain as the amplifier keeps it: gain + 18 dB.
std::array<uint8_t, 2> GainPair(double db) {
    const int tenths = static_cast<int>((db + 18.0) * 10.0 + 0.5);
    return {static_cast<uint8_t>(tenths / 10), static_cast<uint8_t>(tenths % 10)};
}

std::array<uint8_t, 3> DelayBytes(int micros) {
    const int ms = micros / 1000;
    const int thousandths = micros % 1000;
    return {static_cast<uint8_t>(ms), static_cast<uint8_t>(thousandths >> 8),
            static_cast<uint8_t>(thousandths & 0xFF)};
}

}  // namespace

void ApplyDemoTuning(DeviceState& state) {
    SceneState& live = state.scenes[0];
    // Attenuation in dB and delay in µs per output; the far speakers wait for the near ones.
    constexpr int kTrim[kOutputs] = {8, 8, 4, 4, 2, 2, 6, 6, 10, 10, 0, 0};
    constexpr int kDelay[kOutputs] = {2350, 0, 2410, 0, 2520, 0, 0, 0, 0, 0, 3100, 3100};
    for (int o = 0; o < kOutputs; ++o) {
        OutputState& out = live.outputs[static_cast<size_t>(o)];
        out.trim = static_cast<uint8_t>(kTrim[o]);
        out.delay = DelayBytes(kDelay[o]);
        out.eqBypass = 0;
    }
    // A tamed midrange peak and a touch of bass lift.
    live.outputs[2].bands[14].gain = GainPair(-3.5);
    live.outputs[3].bands[14].gain = GainPair(-3.5);
    live.outputs[4].bands[3].gain = GainPair(2.0);
    live.outputs[5].bands[3].gain = GainPair(2.0);
    live.outputs[10].bands[1].gain = GainPair(4.5);
    live.outputs[11].bands[1].gain = GainPair(4.5);
    live.outputs[9].phase = 1;
    live.bridge[5] = 1;
    state.mainVolume = static_cast<uint8_t>(kMainVolumeOffset - (-12));
}

}  // namespace sim
