#pragma once
// The service tool's commands over one link.

#include <cstdio>
#include <string>

namespace dspctl {

constexpr int kExitOk = 0;
constexpr int kExitNoAmplifier = 1;
constexpr int kExitUsage = 2;

struct Options {
    bool simulate = false;
    bool trace = false;
    std::string command;  // "info" or "dump"
};

// The whole program: parses the arguments, runs the command, returns the exit code.
int Main(int argc, const char* const* argv, std::FILE* out, std::FILE* err);

// Runs one command; output goes to out, problems to err. Returns the exit code.
int Run(const Options& options, std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace dspctl
