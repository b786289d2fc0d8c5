// A second program for the single-instance test: takes the lock in the given directory, says
// "first", "second" or "nolock" on one line, then
//   probe: exits at once (releasing the lock);
//   hold:  keeps the lock until its standard input closes;
//   crash: dies by SIGKILL while holding it.

#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/single_instance.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DIR probe|hold|crash\n", argv[0]);
        return 2;
    }
    platform::SingleInstance instance(platform::SingleInstanceKey(),
                                      QString::fromLocal8Bit(argv[1]));
    const char* state = instance.IsSecondCopy() ? "second"
                        : instance.HoldsLock()  ? "first"
                                                : "nolock";
    std::printf("%s\n", state);
    std::fflush(stdout);
    if (std::strcmp(argv[2], "hold") == 0) {
        while (std::getchar() != EOF) {
        }
    } else if (std::strcmp(argv[2], "crash") == 0) {
        std::raise(SIGKILL);
    }
    return 0;
}
