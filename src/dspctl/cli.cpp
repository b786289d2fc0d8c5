#include <string>
#include <vector>

#include "dspctl/dspctl.h"
#include "model/constants.h"
#include "profiles/profile_files.h"
#include "shell/run_log.h"

namespace dspctl {
namespace {

void PrintUsage(std::FILE* out) {
    std::fputs(
        "Usage: orn-dspctl [--simulate] [--trace] COMMAND [ARGS]\n"
        "\n"
        "  info                   attach, print the amplifier's model and firmware versions\n"
        "  dump                   attach and read the whole live state, one line per reply\n"
        "  backup FILE.wpf        read the live set and the 10 stored scenes with their names\n"
        "                         and save them as a whole profile\n"
        "  restore FILE.spf       send a scene profile as the live set\n"
        "  restore FILE.wpf       send a whole profile: stored scenes 1-10, then the live set\n"
        "                         (the file is checked completely before anything is sent)\n"
        "  scene load N           make stored scene N (1-10) the live set\n"
        "  scene save N [NAME]    store the live set as scene N, named NAME (at most 15 bytes\n"
        "                         of UTF-8; without NAME the scene keeps its name)\n"
        "  scene delete N         delete stored scene N\n"
        "  import CH FILE         apply a filter list (\"Filter 1: ON PK Fc 63 Hz Gain -5 dB\n"
        "                         Q 2\") to output CH (1-12): its bands and, with a Preamp\n"
        "                         line, its gain; nothing is sent when a filter cannot be played\n"
        "  export CH FILE         write output CH's enabled bands as such a filter list\n"
        "  firmware FILE          write a firmware image (a name ending in MCU_UPG.bin,\n"
        "                         FLASH_UPG.bin or BL_UPG.bin), then wait for the amplifier\n"
        "                         to restart and print the version it reports; also the way\n"
        "                         back for an amplifier left in its loader\n"
        "  --simulate  talk to the built-in virtual amplifier instead of a real one\n"
        "  --trace     print every frame written (\"> \") and received (\"< \")\n"
        "  --help      show this text\n"
        "\n"
        "Exit codes: 0 success, 1 no amplifier, no handshake or no answer, 2 usage error,\n"
        "3 profile, filter or firmware file not readable, not valid or not writable,\n"
        "4 the firmware update did not start or did not finish.\n",
        out);
}

int UsageError(std::FILE* err, const std::string& problem) {
    std::fprintf(err, "orn-dspctl: %s\n\n", problem.c_str());
    PrintUsage(err);
    return kExitUsage;
}

// A scene or output number as typed: one or two digits, from 1 to last.
bool IsNumberUpTo(const std::string& text, int last) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != text.npos) {
        return false;
    }
    const int n = std::stoi(text);
    return n >= 1 && n <= last;
}

// Empty when the command and its arguments fit together.
std::string CheckCommand(const std::vector<std::string>& words) {
    const std::string& command = words[0];
    const size_t args = words.size() - 1;
    if (command == "info" || command == "dump") {
        return args == 0 ? "" : command + " takes no arguments";
    }
    if (command == "backup") {
        if (args != 1) {
            return "backup takes one file name";
        }
        return profiles::KindOfPath(words[1]) == profiles::ProfileKind::kWhole
                   ? ""
                   : "a backup is a whole profile: the file name must end in .wpf";
    }
    if (command == "restore") {
        if (args != 1) {
            return "restore takes one file name";
        }
        return profiles::KindOfPath(words[1]) != profiles::ProfileKind::kUnknown
                   ? ""
                   : "restore takes a .spf or .wpf file";
    }
    if (command == "scene") {
        if (args < 2) {
            return "scene takes load, save or delete and a scene number 1-10";
        }
        const std::string& action = words[1];
        if (action != "load" && action != "save" && action != "delete") {
            return "scene takes load, save or delete, not '" + action + "'";
        }
        if (!IsNumberUpTo(words[2], model::STORED_SCENES)) {
            return "the scene number must be 1-10, not '" + words[2] + "'";
        }
        const size_t allowed = action == "save" ? 3 : 2;
        return args <= allowed ? "" : "too many arguments for scene " + action;
    }
    if (command == "firmware") {
        return args == 1 ? "" : "firmware takes one image file";
    }
    if (command == "import" || command == "export") {
        if (args != 2) {
            return command + " takes an output number 1-12 and a file name";
        }
        return IsNumberUpTo(words[1], model::OUTPUT_CHANNELS)
                   ? ""
                   : "the output number must be 1-12, not '" + words[1] + "'";
    }
    return "unknown command '" + command + "'";
}

}  // namespace

int ParseArguments(int argc, const char* const* argv, Options& options, std::FILE* out,
                   std::FILE* err, bool& helpShown) {
    helpShown = false;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // After the command, words starting with '-' may be file or scene names.
        if (optionsEnded || words.size() > 0) {
            if (arg == "--help" || arg == "-h") {
                PrintUsage(out);
                helpShown = true;
                return kExitOk;
            }
            if (arg == "--simulate" || arg == "--trace") {
                (arg == "--simulate" ? options.simulate : options.trace) = true;
            } else if (arg == "--" && !optionsEnded) {
                optionsEnded = true;
            } else {
                words.push_back(arg);
            }
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            PrintUsage(out);
            helpShown = true;
            return kExitOk;
        }
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(err, "orn-dspctl: unknown option '%s'\n\n", arg.c_str());
            PrintUsage(err);
            return kExitUsage;
        } else {
            words.push_back(arg);
        }
    }
    if (words.empty()) {
        return UsageError(err, "no command given");
    }
    const std::string problem = CheckCommand(words);
    if (!problem.empty()) {
        return UsageError(err, problem);
    }
    options.command = words[0];
    options.args.assign(words.begin() + 1, words.end());
    return kExitOk;
}

int Main(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    Options options;
    bool helpShown = false;
    const int parsed = ParseArguments(argc, argv, options, out, err, helpShown);
    if (parsed != kExitOk || helpShown) {
        return parsed;
    }
    runlog::InitFromMarker(".");
    return Run(options, out, err);
}

}  // namespace dspctl
