// A whole update of a 64 KiB MCU image against the virtual amplifier, which waits in its
// loader (so no restart wait), at 1 ms per report. Each block is one report written and one
// read: at 1 ms per report the link carries 500 blocks a second at most.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "link/dsp_link.h"
#include "shell/identity.h"
#include "sim/sim_transport.h"
#include "sim/test_firmware.h"
#include "sim/virtual_amplifier.h"

namespace {

constexpr size_t kBodySize = 64 * 1024;
constexpr double kExchangeLimitPerSecond = 500.0;

void McuImageUpdate(benchmark::State& state) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "firmware_bench_MCU_UPG.bin";
    {
        const std::vector<uint8_t> image =
            sim::MakeTestFirmware(dsplink::UPG_TARGET_MCU, shell::kModelId, 16, 24, kBodySize);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
    }
    dsplink::SystemClock clock;
    int64_t exchanges = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto amplifier = std::make_shared<sim::VirtualAmplifier>();
        amplifier->SetNormalMode(false);
        amplifier->SetReportDelayUs(1000);
        dsplink::DspLink link(std::make_unique<sim::SimTransport>(amplifier, clock), clock);
        if (link.Open() != dsplink::OpenResult::Opened || !link.Hand_Connect()) {
            state.SkipWithError("the virtual amplifier did not answer");
            return;
        }
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (link.UpgradeStart(path.string()) != dsplink::UPG_FILE_VALID) {
            state.SkipWithError("the update did not start");
            return;
        }
        int value = 0;
        while ((value = link.UpgradeStep()) <= 100) {
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (value != dsplink::kUpgradeStepFinished) {
            state.SkipWithError("the update failed");
            return;
        }
        // Enter, start, every block and the finish.
        exchanges += 3 + static_cast<int64_t>(kBodySize / dsplink::kMcuBlockSize);
    }
    state.counters["share_of_limit"] =
        static_cast<double>(exchanges) / seconds / kExchangeLimitPerSecond;
    std::filesystem::remove(path);
}

BENCHMARK(McuImageUpdate)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
