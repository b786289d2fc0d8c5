#include "model/sources.h"

#include <array>

#include "model/constants.h"

namespace model {

namespace {

struct SourceRow {
    std::string_view comboItem;
    int inputs;
};

constexpr std::array<SourceRow, INPUT_SOURCES> kSources = {{
    {"source_opt", 2},
    {"source_coax", 2},
    {"source_bt", 2},
    {"source_aux", 2},
    {"source_low", 0},
    {"source_hi", 10},
    {"source_dmp", 2},
    {"source_udp", 0},
    {"source_scp", 0},
}};

constexpr int kFirstDeviceCode = 0x51;

constexpr std::array<int, OUTPUT_CHANNELS> kStereoMasks = {1, 2, 1, 2, 3, 3, 1, 2, 1, 2, 1, 2};
// The sources with more than two inputs spread inputs 3 and 4 over outputs 3 and 4.
constexpr std::array<int, OUTPUT_CHANNELS> kMultiInputMasks = {1, 2, 4, 8, 3, 3, 1, 2, 1, 2, 1, 2};

}  // namespace

int SourceInputCount(int source) {
    return IsSourceIndex(source) ? kSources[source].inputs : 0;
}

int SourceDeviceCode(int source) {
    return IsSourceIndex(source) ? kFirstDeviceCode + source : -1;
}

int SourceOfDeviceCode(int code) {
    const int source = code - kFirstDeviceCode;
    return IsSourceIndex(source) ? source : -1;
}

std::string_view SourceComboItem(int source) {
    return IsSourceIndex(source) ? kSources[source].comboItem : std::string_view{};
}

bool IsSourceShown(int source) {
    return SourceInputCount(source) > 0;
}

int DefaultInputMask(int source, int output) {
    if (!IsSourceIndex(source) || !IsOutputIndex(output)) {
        return 0;
    }
    return (source == 4 || source == 5) ? kMultiInputMasks[output] : kStereoMasks[output];
}

}  // namespace model
