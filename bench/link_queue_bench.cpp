// Queued commands per second through McuCmdThread to the virtual amplifier.
// Each exchange is one report written and one read; at 1 ms per report the limit is 500/s.

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "link/dsp_link.h"
#include "sim/sim_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

constexpr int kCommandsPerIteration = 250;
constexpr double kExchangeLimitPerSecond = 500.0;

void QueuedCommands(benchmark::State& state) {
    const int64_t delayUs = state.range(0);
    dsplink::SystemClock clock;
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    amplifier->SetReportDelayUs(delayUs);
    dsplink::DspLink link(std::make_unique<sim::SimTransport>(amplifier, clock), clock);
    if (link.Open() != dsplink::OpenResult::Opened) {
        state.SkipWithError("the virtual amplifier did not open");
        return;
    }
    link.SetAsyncMode(true);
    const float trims[] = {-3.0f};
    int64_t commands = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        for (int i = 0; i < kCommandsPerIteration; ++i) {
            link.Trim_Ctrl(0, 0, i % 12, i % 12, trims, false);
        }
        while (!link.QueueIdle()) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        commands += kCommandsPerIteration;
    }
    state.counters["commands_per_s"] =
        benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
    if (delayUs > 0) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.counters["share_of_limit"] =
            static_cast<double>(commands) / seconds / kExchangeLimitPerSecond;
    }
    link.SetAsyncMode(false);
    link.CloseHIDDevice(false);
}

BENCHMARK(QueuedCommands)->Arg(0)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
