#pragma once
// The service tool's commands over one link.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace dsplink {
class Clock;
}
namespace sim {
class VirtualAmplifier;
}

namespace dspctl {

constexpr int kExitOk = 0;
constexpr int kExitNoAmplifier = 1;
constexpr int kExitUsage = 2;
// A profile file could not be read, checked or written.
constexpr int kExitFile = 3;
// The firmware update did not start or did not finish.
constexpr int kExitFirmware = 4;

struct Options {
    bool simulate = false;
    bool trace = false;
    std::string command;            // "info", "dump", "backup", "restore", "scene", "import",
                                    // "export" or "firmware"
    std::vector<std::string> args;  // the command's own arguments
    // With simulate: the amplifier to talk to (a fresh one when null), so tests can run
    // several commands against one device; and the clock for every wait (real time when null).
    std::shared_ptr<sim::VirtualAmplifier> amplifier;
    dsplink::Clock* clock = nullptr;
};

// The whole program: parses the arguments, runs the command, returns the exit code.
int Main(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

// Parses the arguments into options without running anything; kExitOk when they are valid,
// otherwise the exit code (usage and help text already printed).
int ParseArguments(int argc, const char* const* argv, Options& options, std::FILE* out,
                   std::FILE* err, bool& helpShown);

// Runs one command; output goes to out, problems to err. Returns the exit code.
int Run(const Options& options, std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace dspctl
