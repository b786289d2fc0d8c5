#pragma once
// The summed response of one output channel: high-pass, low-pass and every EQ band, in dB.

#include <span>

namespace dsp {

// One side of a channel's crossover, in the amplifier's codes.
struct CrossoverSide {
    double freq = 1000.0;  // corner frequency, Hz
    int type = 1;          // 0 Q = 1 section, 1 Butterworth, 2 Linkwitz-Riley, 3 Bessel
    int slope = 0;         // order, 6 dB per octave per step; 0 = off
    bool bypassed = true;  // out of circuit
};

struct ChannelCrossover {
    CrossoverSide hp;
    CrossoverSide lp;
};

struct PeakingBand {
    double freq = 1000.0;  // centre, Hz
    double gain = 0.0;     // dB
    double q = 1.0;
    bool enabled = true;
};

// Builds the CURVE_SAMPLE_RATE grid into `grid` and writes the channel's summed curve into
// `sum`: both crossover sides plus every band. A side draws flat when it is bypassed or its
// slope code is 0 or less (the model's "off"); a disabled band, or any band while eqBypass
// is set, contributes nothing. Returns false, writing nothing, when the spans differ in
// size or hold fewer than 2 points.
bool SumChannelCurve(const ChannelCrossover& crossover, std::span<const PeakingBand> bands,
                     bool eqBypass, std::span<double> grid, std::span<double> sum);

}  // namespace dsp
