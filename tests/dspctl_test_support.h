#pragma once
// What a run of the service tool printed, captured from the streams it was given, and a run
// against a given virtual amplifier on a given clock.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dspctl/dspctl.h"
#include "link/clock.h"
#include "sim/virtual_amplifier.h"

namespace dspctl_test {

struct Result {
    int code;
    std::string out;
    std::string err;
};

// Reads a temporary stream back from its start and closes it.
inline std::string Slurp(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        text.append(buffer, n);
    }
    std::fclose(f);
    return text;
}

// A device far from its defaults, in device units: live set and three stored scenes.
inline void Customise(sim::DeviceState& s) {
    s.mainVolume = 6 + 14;  // -14 dB
    s.mute = 1;
    s.acc = 4;
    s.inputThreshold = static_cast<uint8_t>(-35);
    for (int scene : {0, 2, 5, 10}) {
        sim::SceneState& sc = s.scenes[scene];
        for (int o = 0; o < sim::kOutputs; ++o) {
            sim::OutputState& out = sc.outputs[o];
            out.trim = static_cast<uint8_t>(o + scene);
            out.mute = (o + scene) % 2;
            out.phase = o == 3;
            out.eqBypass = o % 3 == 0;
            out.type = static_cast<uint8_t>((o * 5 + scene) % 29);
            out.delay = {static_cast<uint8_t>(o % 15), 0, static_cast<uint8_t>(scene * 10)};
            out.hp = {2, static_cast<uint16_t>(60 + scene + o), 3};
            out.lp = {3, static_cast<uint16_t>(8000 + o), 2};
            out.bands[o].freq = static_cast<uint16_t>(1234 + scene);
            out.bands[o].gain = {static_cast<uint8_t>(18 - 4), 5};  // -4.5 dB
            out.bands[30].q = {2, 5};
        }
        for (int src : {0, 5}) {
            // Both inputs routed, each at a level of its own (a routed input is never at 0).
            sc.sources[src].mixMask[7] = 3;
            sc.sources[src].mixTrim[0][7] = static_cast<uint8_t>(70 - scene);
            sc.sources[src].mixTrim[1][7] = static_cast<uint8_t>(40 + scene);
            sc.sources[src].mixMask[9] = 0;
            sc.sources[src].mixTrim[1][9] = 0;
        }
        sc.lock = 1;
        if (scene > 0) {
            s.validMask = static_cast<uint16_t>(s.validMask | (1u << (scene - 1)));
        }
    }
    s.names[1] = {'C', 'l', 'u', 'b'};
    s.names[4] = {'R', 'o', 'c', 'k', 'e', 'r'};
}

// Runs "orn-dspctl --simulate ARGS" against `amp`, every wait on `clock`.
inline Result RunSimulated(const std::shared_ptr<sim::VirtualAmplifier>& amp, dsplink::Clock& clock,
                           std::vector<const char*> args) {
    args.insert(args.begin(), "orn-dspctl");
    args.insert(args.begin() + 1, "--simulate");
    dspctl::Options options;
    bool help = false;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    int code =
        dspctl::ParseArguments(static_cast<int>(args.size()), args.data(), options, out, err, help);
    if (code == dspctl::kExitOk && !help) {
        options.amplifier = amp;
        options.clock = &clock;
        code = dspctl::Run(options, out, err);
    }
    return {code, Slurp(out), Slurp(err)};
}

// A test with a folder of its own for profile files and a virtual clock for the tool.
class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        mDir = std::filesystem::temp_directory_path() /
               ("dspctl_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    std::string PathOf(const std::string& name) const { return (mDir / name).string(); }
    // Runs the tool against `amp` on virtual time.
    Result Tool(const std::shared_ptr<sim::VirtualAmplifier>& amp, std::vector<const char*> args) {
        return RunSimulated(amp, mClock, std::move(args));
    }

    std::filesystem::path mDir;
    dsplink::ManualClock mClock;
};

}  // namespace dspctl_test
