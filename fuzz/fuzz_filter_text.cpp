// Filter lists from measurement tools: read, then mapped onto one output's bands.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/constants.h"
#include "model/profile_record.h"
#include "profiles/filter_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const model::ProfileRecord live;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto filters = profiles::ReadFilterText(text, &error);
    if (filters) {
        // The output varies with the input so every channel's bounds get a turn.
        const int output = static_cast<int>(size % model::OUTPUT_CHANNELS);
        (void)profiles::MapFilterText(*filters, live, output);
    }
    return 0;
}
