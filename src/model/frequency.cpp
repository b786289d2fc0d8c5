#include "model/frequency.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace model {

namespace {

constexpr std::array<int, 11> kOctaveTable = {20,   40,   80,   160,   315,  630,
                                              1250, 2500, 5000, 10000, 20000};
constexpr std::array<int, 21> kHalfOctaveTable = {20,   28,   40,   56,   80,    112,   160,
                                                  220,  315,  450,  630,  890,   1250,  1800,
                                                  2500, 3600, 5000, 7100, 10000, 14000, 20000};
constexpr std::array<int, 31> kThirdOctaveTable = {
    20,  25,   31,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

constexpr int kGridSteps = 200;

int PositionOf(int frequency) {
    const double decades = std::log10(static_cast<double>(frequency)) - std::log10(20.0);
    return static_cast<int>(decades * kGridSteps / (std::log10(20000.0) - std::log10(20.0)));
}

int FrequencyAt(int position) {
    return static_cast<int>(
        std::lround(std::pow(10.0, std::log10(20.0) + 3.0 * position / kGridSteps)));
}

int StepBy(int frequency, int delta) {
    const int position = std::clamp(PositionOf(frequency) + delta, 0, kGridSteps);
    return FrequencyAt(position);
}

// Leading decimal integer as strtol reads it; 0 when there is none.
// Held to +-1000000, far outside any frequency, so "k" cannot overflow it.
int LeadingInt(std::string_view text) {
    constexpr long kLimit = 1000000;
    const std::string copy(text);
    return static_cast<int>(std::clamp(std::strtol(copy.c_str(), nullptr, 10), -kLimit, kLimit));
}

}  // namespace

int DefaultBandFrequency(int bandCount, int band) {
    if (band < 0) {
        return -1;
    }
    const auto pick = [band](const auto& table) {
        return band < static_cast<int>(table.size()) ? table[band] : -1;
    };
    if (bandCount <= 11) {
        return pick(kOctaveTable);
    }
    if (bandCount <= 21) {
        return pick(kHalfOctaveTable);
    }
    return pick(kThirdOctaveTable);
}

int StepFrequency(int frequency, bool up) {
    if ((up && frequency >= MAX_FREQUENCY) || (!up && frequency <= MIN_FREQUENCY)) {
        return frequency;
    }
    // Out-of-range input would have no log position; start from the nearest edge.
    const int from = std::clamp(frequency, MIN_FREQUENCY, MAX_FREQUENCY);
    const int delta = up ? 1 : -1;
    int result = StepBy(from, delta);
    // Grid points round to the same Hz at the low end; skip one more point.
    if (result == from) {
        result = StepBy(from, 2 * delta);
    }
    return result;
}

int ParseFrequencyText(std::string_view text) {
    std::size_t k = text.find('K');
    if (k == std::string_view::npos) {
        k = text.find('k');
    }
    if (k == std::string_view::npos) {
        return LeadingInt(text);
    }
    const int whole = LeadingInt(text.substr(0, k));
    int tenth = 0;
    if (k + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[k + 1]))) {
        tenth = text[k + 1] - '0';
    }
    return whole * 1000 + tenth * 100;
}

}  // namespace model
