#pragma once
// Filter lists as room-measurement and equalizer tools write them, one filter a line:
//   Filter  1: ON  PK       Fc   63.0 Hz  Gain  -5.0 dB  Q  2.00
//   Preamp: -6.6 dB
// Read onto one output's bands, and written from them. Anything else (a header block, notes,
// comments) is ignored. The text is untrusted: size, bytes and numbers are all checked.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/constants.h"
#include "model/profile_record.h"

namespace profiles {

// Larger files are not filter lists; refused before they are looked at.
inline constexpr size_t kMaxFilterTextBytes = 1 << 20;

struct TextFilter {
    int line = 0;      // 1-based, for the report
    std::string type;  // as written, spaces collapsed: "PK", "LP Q", "All pass"
    double fc = 0.0;
    std::optional<double> gain;
    std::optional<double> q;
};

struct FilterText {
    std::vector<TextFilter> filters;  // the ON rows, in file order
    std::optional<double> preampDb;
};

// nullopt when the text is too large or not text at all (error says why).
std::optional<FilterText> ReadFilterText(std::string_view text, std::string* error = nullptr);

// The same from a file, whose size is checked before it is read.
std::optional<FilterText> LoadFilterFile(const std::string& path, std::string* error = nullptr);

// The bands and gain an output takes from a filter list, or what stops it.
struct FilterImport {
    std::array<model::EqBand, model::MAX_EQ_BANDS> bands{};
    float gain = 0.0f;  // the output's gain with the preamp applied
    // One line per filter the amplifier cannot play ("line 4: LS (shelf)"), and a line when
    // there are more filters than bands. Nothing may be applied while this is not empty.
    std::vector<std::string> refused;
};

// Peaking filters fill the output's bands in file order, clamped to what the amplifier takes;
// bands beyond them are flat at their own frequency.
FilterImport MapFilterText(const FilterText& text, const model::ProfileRecord& live, int output);

// The output's enabled bands as a filter list that ReadFilterText reads back.
std::string WriteFilterText(const model::ProfileRecord& live, int output);

}  // namespace profiles
