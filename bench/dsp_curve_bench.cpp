// Cost of recomputing channel curves: the whole amplifier (12 channels of 31 bands and both
// crossover sides) and one channel, as the graph does on every mouse move of a drag.
// tests/reference/dsp_reference.py --bench --cpp <this binary> sets it against numpy.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dsp/channel_curve.h"
#include "dsp/crossover.h"
#include "dsp/curve_constants.h"
#include "dsp/frequency_grid.h"
#include "dsp/peaking.h"
#include "dsp_reference_rows.h"

namespace {

const std::vector<dsptest::Channel>& Workload() {
    static const std::vector<dsptest::Channel> channels = [] {
        auto c = dsptest::ReadChannels();
        if (c.size() != 12) {
            std::fprintf(stderr, "reference data missing under %s\n", DSP_REFERENCE_DIR);
            std::exit(1);
        }
        return c;
    }();
    return channels;
}

// Per-channel grid and sum, as the model keeps them.
struct Curves {
    std::vector<double> grid = std::vector<double>(dsp::CURVE_POINTS);
    std::vector<double> sum = std::vector<double>(dsp::CURVE_POINTS);
};

double WorstDeviation(const std::vector<Curves>& curves) {
    double worst = 0.0;
    for (std::size_t ch = 0; ch < curves.size(); ++ch) {
        const std::vector<double>& expected = Workload()[ch].sum;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            worst = std::max(worst, std::abs(curves[ch].sum[i] - expected[i]));
        }
    }
    return worst;
}

void UpdateChannels(benchmark::State& state, std::size_t count) {
    const auto& channels = Workload();
    std::vector<Curves> curves(count);
    for (auto _ : state) {
        for (std::size_t ch = 0; ch < count; ++ch) {
            const dsptest::Channel& c = channels[ch];
            dsp::SumChannelCurve(c.crossover, c.bands, c.eqBypass, curves[ch].grid, curves[ch].sum);
        }
        benchmark::ClobberMemory();
    }
    state.counters["max_dev_db"] = WorstDeviation(curves);
}

void BM_TwelveChannelUpdate(benchmark::State& state) {
    UpdateChannels(state, 12);
}
BENCHMARK(BM_TwelveChannelUpdate)->Unit(benchmark::kMicrosecond);

void BM_OneChannelUpdate(benchmark::State& state) {
    UpdateChannels(state, 1);
}
BENCHMARK(BM_OneChannelUpdate)->Unit(benchmark::kMicrosecond);

void BM_PeakingCurve(benchmark::State& state) {
    std::vector<double> grid(dsp::CURVE_POINTS), db(dsp::CURVE_POINTS);
    dsp::BuildFrequencyGrid(dsp::CURVE_SAMPLE_RATE, grid);
    for (auto _ : state) {
        dsp::PeakingCurve(dsp::CURVE_SAMPLE_RATE, 1000.0, 6.0, 5.8, grid, db);
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_PeakingCurve)->Unit(benchmark::kMicrosecond);

void BM_CrossoverCurveOrder8(benchmark::State& state) {
    std::vector<double> grid(dsp::CURVE_POINTS), db(dsp::CURVE_POINTS);
    dsp::BuildFrequencyGrid(dsp::CURVE_SAMPLE_RATE, grid);
    for (auto _ : state) {
        dsp::CrossoverCurve(1, dsp::CURVE_SAMPLE_RATE, 2000.0, 8, 3, grid, db);
        benchmark::DoNotOptimize(db.data());
    }
}
BENCHMARK(BM_CrossoverCurveOrder8)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
