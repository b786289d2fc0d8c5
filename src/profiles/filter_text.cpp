#include "profiles/filter_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <system_error>

#include "model/eq_operations.h"
#include "model/frequency.h"
#include "model/value_ranges.h"

namespace profiles {
namespace {

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
        }
        const size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
        }
        if (i > start) {
            words.push_back(s.substr(start, i - start));
        }
    }
    return words;
}

// A number as these tools write it in any locale: "-5.0", "-5,0", "1.000" or "12,500" (digit
// groups, where grouping allows them: only a frequency reaches a thousand), "1.000,5".
std::optional<double> ReadNumber(std::string_view word, bool grouping) {
    std::string text(word);
    const size_t dot = text.find('.');
    const size_t comma = text.find(',');
    const auto count = [&](char c) { return std::count(text.begin(), text.end(), c); };
    auto drop = [&](char c) { std::erase(text, c); };
    if (dot != std::string::npos && comma != std::string::npos) {
        // The later separator is the decimal one.
        const bool commaDecimal = text.rfind(',') > text.rfind('.');
        drop(commaDecimal ? '.' : ',');
    } else if (const char sep = dot != std::string::npos ? '.' : ','; text.find(sep) != text.npos) {
        const size_t at = text.find(sep);
        const size_t digitsBefore = at - (text[0] == '-' || text[0] == '+' ? 1 : 0);
        const bool groups = count(sep) > 1 || (grouping && text.size() - at - 1 == 3 &&
                                               digitsBefore >= 1 && digitsBefore <= 3);
        if (groups) {
            drop(sep);
        }
    }
    std::replace(text.begin(), text.end(), ',', '.');
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The number after a keyword ("Fc", "Gain", "Q"), if the line has both.
std::optional<double> ValueAfter(const std::vector<std::string_view>& words, std::string_view key,
                                 bool grouping) {
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        if (SameWord(words[i], key)) {
            return ReadNumber(words[i + 1], grouping);
        }
    }
    return std::nullopt;
}

// "Filter 3: ON PK Fc ..." or "Filter: OFF ..."; the rest after ON, or nullopt.
std::optional<std::string_view> FilterRest(std::string_view line, bool& on) {
    constexpr std::string_view kFilter = "filter";
    if (line.size() < kFilter.size() || !SameWord(line.substr(0, kFilter.size()), kFilter)) {
        return std::nullopt;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view number = Trim(line.substr(kFilter.size(), colon - kFilter.size()));
    if (!std::all_of(number.begin(), number.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        return std::nullopt;
    }
    const std::vector<std::string_view> words = Words(line.substr(colon + 1));
    if (words.empty() || !(SameWord(words[0], "ON") || SameWord(words[0], "OFF"))) {
        return std::nullopt;
    }
    on = SameWord(words[0], "ON");
    const std::string_view rest = line.substr(colon + 1);
    return Trim(rest.substr(rest.find(words[0]) + words[0].size()));
}

TextFilter ReadFilter(std::string_view rest, int lineNumber) {
    TextFilter filter;
    filter.line = lineNumber;
    const std::vector<std::string_view> words = Words(rest);
    // The type is every word before "Fc" ("LP Q", "All pass" are one type each), or before
    // the first other keyword on a row without a frequency.
    const bool hasFc = std::any_of(words.begin(), words.end(),
                                   [](std::string_view w) { return SameWord(w, "Fc"); });
    for (std::string_view w : words) {
        if (SameWord(w, "Fc") ||
            (!hasFc && (SameWord(w, "Gain") || SameWord(w, "Q") || SameWord(w, "BW")))) {
            break;
        }
        if (!filter.type.empty()) {
            filter.type += ' ';
        }
        filter.type.append(w);
    }
    filter.fc = ValueAfter(words, "Fc", true).value_or(0.0);
    filter.gain = ValueAfter(words, "Gain", false);
    filter.q = ValueAfter(words, "Q", false);
    return filter;
}

bool IsPeaking(const std::string& type) {
    for (const char* name : {"PK", "PEQ", "PEAK", "Peaking"}) {
        if (SameWord(type, name)) {
            return true;
        }
    }
    return false;
}

// Why the amplifier's bands cannot play a type.
const char* Unplayable(const std::string& type) {
    const std::string_view head = Words(type).empty() ? std::string_view{} : Words(type)[0];
    auto starts = [&](std::string_view p) {
        return head.size() >= p.size() && SameWord(head.substr(0, p.size()), p);
    };
    if (starts("LS") || starts("HS") || starts("Low") || starts("High")) {
        return "shelf";
    }
    if (starts("NO") || starts("Notch")) {
        return "notch";
    }
    if (starts("AP") || starts("All")) {
        return "all-pass";
    }
    if (starts("LP") || starts("HP") || starts("BP")) {
        return "low/high-pass: use the output's crossover";
    }
    return "unknown type";
}

std::string Fixed(double value, int decimals) {
    char buffer[32];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

}  // namespace

std::optional<FilterText> ReadFilterText(std::string_view text, std::string* error) {
    auto refuse = [&](const char* why) -> std::optional<FilterText> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (text.size() > kMaxFilterTextBytes) {
        return refuse("the file is too large for a filter list");
    }
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\r' && c != '\n') {
            return refuse("the file is not text");
        }
    }
    FilterText result;
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t stop = std::min(text.find('\n', start), text.size());
        const std::string_view line = Trim(text.substr(start, stop - start));
        start = stop + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#' || line[0] == ';' || line.starts_with("//")) {
            continue;
        }
        constexpr std::string_view kPreamp = "preamp:";
        if (line.size() >= kPreamp.size() && SameWord(line.substr(0, kPreamp.size()), kPreamp)) {
            const std::vector<std::string_view> words = Words(line.substr(kPreamp.size()));
            if (!words.empty()) {
                result.preampDb = ReadNumber(words[0], false);
            }
            continue;
        }
        bool on = false;
        if (const std::optional<std::string_view> rest = FilterRest(line, on); rest && on) {
            TextFilter filter = ReadFilter(*rest, lineNumber);
            if (!SameWord(filter.type, "None") && !filter.type.empty()) {
                result.filters.push_back(std::move(filter));
            }
        }
    }
    return result;
}

std::optional<FilterText> LoadFilterFile(const std::string& path, std::string* error) {
    auto refuse = [&](const char* why) -> std::optional<FilterText> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return refuse("the file cannot be read");
    }
    const std::streamoff size = file.tellg();
    // Looked at before it is read: a huge file is refused at once.
    if (size < 0 || static_cast<uint64_t>(size) > kMaxFilterTextBytes) {
        return refuse("the file is too large for a filter list");
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    file.seekg(0);
    file.read(bytes.data(), size);
    if (!file) {
        return refuse("the file cannot be read");
    }
    return ReadFilterText(bytes, error);
}

FilterImport MapFilterText(const FilterText& text, const model::ProfileRecord& live, int output) {
    FilterImport import;
    const model::EqBand* current = model::BandsOf(live, output);
    const int bands = std::clamp(model::BandCountOf(live, output), 0, model::MAX_EQ_BANDS);
    if (current == nullptr) {
        import.refused.push_back("no such output");
        return import;
    }
    std::copy(current, current + model::MAX_EQ_BANDS, import.bands.begin());
    import.gain = live.channels[static_cast<size_t>(output)].gain;
    int used = 0;
    for (const TextFilter& f : text.filters) {
        const std::string where = "line " + std::to_string(f.line) + ": " + f.type;
        if (!IsPeaking(f.type)) {
            import.refused.push_back(where + " (" + Unplayable(f.type) + ")");
        } else if (!f.gain || !f.q || f.fc <= 0.0) {
            import.refused.push_back(where + " (needs Fc, Gain and Q)");
        } else {
            ++used;
        }
    }
    if (used > bands) {
        import.refused.push_back(std::to_string(used) + " filters for " + std::to_string(bands) +
                                 " bands");
    }
    if (!import.refused.empty()) {
        return import;
    }
    int b = 0;
    for (const TextFilter& f : text.filters) {
        const double hz = std::clamp(std::round(f.fc), static_cast<double>(model::MIN_FREQUENCY),
                                     static_cast<double>(model::MAX_FREQUENCY));
        import.bands[static_cast<size_t>(b++)] =
            model::EqBand{model::WireEqGain(static_cast<float>(*f.gain)),
                          model::WireEqQ(static_cast<float>(*f.q)), static_cast<int>(hz), 1};
    }
    for (; b < bands; ++b) {
        model::EqBand& flat = import.bands[static_cast<size_t>(b)];
        flat = model::EqBand{0.0f, model::DEFAULT_EQ_Q, flat.freq, 1};
    }
    if (text.preampDb) {
        import.gain = model::WireOutputGain(import.gain + static_cast<float>(*text.preampDb));
    }
    return import;
}

std::string WriteFilterText(const model::ProfileRecord& live, int output) {
    std::string text = "Filter Settings file\n\nEqualiser: Generic\nNotes: output CH" +
                       std::to_string(output + 1) + "\n\n";
    const model::EqBand* bands = model::BandsOf(live, output);
    const int count = std::clamp(model::BandCountOf(live, output), 0, model::MAX_EQ_BANDS);
    int number = 0;
    for (int b = 0; bands != nullptr && b < count; ++b) {
        const model::EqBand& band = bands[b];
        if (band.enable == 0) {
            continue;
        }
        text += "Filter " + std::to_string(++number) + ": ON  PK       Fc " +
                std::to_string(band.freq) + " Hz  Gain " +
                Fixed(model::WireEqGain(band.eqGain), 1) + " dB  Q " +
                Fixed(model::WireEqQ(band.eqFactor), 2) + "\n";
    }
    return text;
}

}  // namespace profiles
