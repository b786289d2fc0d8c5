#include "model/channel_curves.h"

#include <algorithm>
#include <vector>

#include "dsp/channel_curve.h"

namespace model {

namespace {

dsp::CrossoverSide SideOf(const CrossoverFilter& filter) {
    dsp::CrossoverSide side;
    side.freq = filter.fs();
    side.type = filter.type();
    side.slope = filter.slope();
    side.bypassed = filter.bypass() == 1;
    return side;
}

}  // namespace

ChannelCurves::ChannelCurves() {
    // Before the first update the graph still needs a real frequency axis: flat at 0 dB.
    Curve flat;
    dsp::SumChannelCurve(dsp::ChannelCrossover{}, {}, false, flat.grid, flat.sum);
    mCurves.fill(flat);
}

void ChannelCurves::UpdateChannelCurve(const ProfileRecord& record, int output) {
    const EqBand* rows = BandsOf(record, output);
    if (rows == nullptr) {
        return;
    }
    const OutputChannel& channel = record.channels[static_cast<size_t>(output)];
    // A size from a file or the device may be anything; never read past the band row.
    const int count = std::clamp(channel.eqSize, 0, MAX_EQ_BANDS);
    if (count == 0) {
        return;
    }
    std::vector<dsp::PeakingBand> bands(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const EqBand& row = rows[i];
        bands[static_cast<size_t>(i)] =
            dsp::PeakingBand{static_cast<double>(row.freq), static_cast<double>(row.eqGain),
                             static_cast<double>(row.eqFactor), row.enable != 0};
    }
    const dsp::ChannelCrossover crossover{SideOf(channel.crossover.hp),
                                          SideOf(channel.crossover.lp)};
    Curve& curve = mCurves[static_cast<size_t>(output)];
    dsp::SumChannelCurve(crossover, bands, channel.bypass == 1, curve.grid, curve.sum);
}

void ChannelCurves::UpdateAll(const ProfileRecord& record) {
    for (int output = 0; output < OUTPUT_CHANNELS; ++output) {
        UpdateChannelCurve(record, output);
    }
}

std::span<const double> ChannelCurves::Grid(int output) const {
    if (!IsOutputIndex(output)) {
        return {};
    }
    return mCurves[static_cast<size_t>(output)].grid;
}

std::span<const double> ChannelCurves::Sum(int output) const {
    if (!IsOutputIndex(output)) {
        return {};
    }
    return mCurves[static_cast<size_t>(output)].sum;
}

}  // namespace model
