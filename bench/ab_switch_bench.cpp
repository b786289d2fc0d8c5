// One A/B switch against the virtual amplifier at 1 ms per report, on the real clock: the
// slots differ as a typical comparison does (three bands on each of two outputs, a gain and a
// delay), and the time runs from the switch until the amplifier took its last command.
// Goal: under 100 ms a switch. Counters: the link time of one switch and the frames it wrote.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "model/equalizer_manager.h"
#include "recording_transport.h"
#include "sim/virtual_amplifier.h"

namespace {

constexpr int64_t kReportDelayUs = 1000;

struct NoEvents : model::ManagerEvents {
    void Post(uint32_t, uint32_t) override {}
};

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "ab_switch_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 60000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void AbSwitch(benchmark::State& state) {
    App();
    dsplink::SystemClock clock;
    auto amplifier = std::make_shared<sim::VirtualAmplifier>();
    std::mutex lock;
    std::vector<model_test::Frame> frames;
    NoEvents events;
    model::EqualizerManager manager(
        std::make_unique<model_test::RecordingTransport>(amplifier, clock, frames, &lock), clock,
        &events);
    // The state read at full speed; only the switches pay for the slow reports.
    manager.Connect(false);
    if (!RunUntil([&] { return !manager.JobRunning(); })) {
        state.SkipWithError("the state read did not end");
        return;
    }
    manager.FinishConnection();
    amplifier->SetReportDelayUs(kReportDelayUs);
    {
        const model::UserAction action(manager, false);
        for (const int output : {2, 7}) {
            manager.Outputs().SetCurChannelChange(output);
            for (int band = 0; band < 3; ++band) {
                manager.Eq().SetChEq(band + output, 250 * (band + 1) * (output + 1), 2.0f, -4.0f);
            }
        }
        manager.Outputs().SetChVolume(4, -60, true);
        manager.Outputs().SetChDelay(9, 2.5f);
    }
    if (!RunUntil([&] { return manager.Link().QueueIdle(); })) {
        state.SkipWithError("the edits were not taken");
        return;
    }
    const auto takeFrames = [&] {
        const std::lock_guard guard(lock);
        return std::exchange(frames, {}).size();
    };
    takeFrames();

    size_t written = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        manager.AB().Switch();
        if (!RunUntil([&] { return manager.Link().QueueIdle(); })) {
            state.SkipWithError("the switch was not taken");
            return;
        }
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(took);
        seconds += took;
        written += takeFrames();
    }
    const auto switches = static_cast<double>(state.iterations());
    state.counters["link_ms_per_switch"] = seconds * 1000.0 / switches;
    state.counters["frames_per_switch"] = static_cast<double>(written) / switches;
}

BENCHMARK(AbSwitch)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
