#pragma once
// What a run of the service tool printed, captured from the streams it was given.

#include <cstdio>
#include <string>

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

}  // namespace dspctl_test
