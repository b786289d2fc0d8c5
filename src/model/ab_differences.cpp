#include "model/ab_differences.h"

#include <algorithm>

namespace model {

namespace {

bool CompressorDiffers(const ProfileRecord& a, const ProfileRecord& b, size_t o) {
    return a.channels[o].compressorOn != b.channels[o].compressorOn ||
           a.compressorBypass[o] != b.compressorBypass[o] ||
           a.compressorThreshold[o] != b.compressorThreshold[o] ||
           a.compressorRatio[o] != b.compressorRatio[o] ||
           a.compressorAttack[o] != b.compressorAttack[o] ||
           a.compressorRelease[o] != b.compressorRelease[o] ||
           a.compressorKnee[o] != b.compressorKnee[o];
}

OutputDifference CompareOutput(const ProfileRecord& a, const ProfileRecord& b, int output) {
    const auto o = static_cast<size_t>(output);
    const OutputChannel& ca = a.channels[o];
    const OutputChannel& cb = b.channels[o];
    OutputDifference d;
    d.gain = ca.gain != cb.gain;
    d.delay = ca.delay != cb.delay;
    d.mute = ca.mute != cb.mute;
    d.phase = ca.phase != cb.phase;
    d.crossover = ca.crossover != cb.crossover;
    d.other = a.outputs[o] != b.outputs[o] || ca.solo != cb.solo || ca.bypass != cb.bypass ||
              ca.eqSize != cb.eqSize || CompressorDiffers(a, b, o);
    // A band past one record's count is not played there, so it differs from a played one.
    const int countA = std::clamp(ca.eqSize, 0, MAX_EQ_BANDS);
    const int countB = std::clamp(cb.eqSize, 0, MAX_EQ_BANDS);
    const EqBand* rowA = BandsOf(a, output);
    const EqBand* rowB = BandsOf(b, output);
    for (int band = 0; band < std::max(countA, countB); ++band) {
        if (band >= countA || band >= countB || rowA[band] != rowB[band]) {
            d.bands.push_back(band);
        }
    }
    return d;
}

}  // namespace

std::vector<int> AbDifferences::Outputs() const {
    std::vector<int> differing;
    for (int o = 0; o < OUTPUT_CHANNELS; ++o) {
        if (outputs[static_cast<size_t>(o)].Any()) {
            differing.push_back(o);
        }
    }
    return differing;
}

AbDifferences CompareTunings(const ProfileRecord& a, const ProfileRecord& b) {
    AbDifferences differences;
    for (int o = 0; o < OUTPUT_CHANNELS; ++o) {
        differences.outputs[static_cast<size_t>(o)] = CompareOutput(a, b, o);
    }
    return differences;
}

}  // namespace model
