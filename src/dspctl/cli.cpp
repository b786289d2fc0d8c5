#include <string>
#include <vector>

#include "dspctl.h"
#include "run_log.h"

namespace dspctl {
namespace {

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: orn-dspctl [--simulate] [--trace] info|dump\n"
        "\n"
        "  info        attach, print the amplifier's model and firmware versions, detach\n"
        "  dump        attach and read the whole live state, one line per reply\n"
        "  --simulate  talk to the built-in virtual amplifier instead of a real one\n"
        "  --trace     print every frame written (\"> \") and received (\"< \")\n"
        "  --help      show this text\n"
        "\n"
        "Exit codes: 0 success, 1 no amplifier or no handshake, 2 usage error.\n",
        out);
}

}  // namespace

int Main(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    Options options;
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(out);
            return kExitOk;
        }
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(err, "orn-dspctl: unknown option '%s'\n\n", arg.c_str());
            PrintUsage(err);
            return kExitUsage;
        } else {
            commands.push_back(arg);
        }
    }
    if (commands.size() != 1 || (commands[0] != "info" && commands[0] != "dump")) {
        std::fputs(commands.empty() ? "orn-dspctl: no command given\n\n"
                                    : "orn-dspctl: expected exactly one command, info or dump\n\n",
                   err);
        PrintUsage(err);
        return kExitUsage;
    }
    runlog::InitFromMarker(".");
    options.command = commands[0];
    return Run(options, out, err);
}

}  // namespace dspctl
