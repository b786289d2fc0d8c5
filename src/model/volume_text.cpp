#include "model/volume_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/value_ranges.h"

namespace model {

namespace {
std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}
}  // namespace

std::string ChannelVolumeText(float gain) {
    if (!(gain > MIN_OUTPUT_GAIN))
        return kOffTextKey;
    char text[16];
    std::snprintf(text, sizeof text, "%ddB", static_cast<int>(gain));
    return text;
}

std::string MainVolumeText(float volume) {
    const double rounded = std::round(static_cast<double>(volume));
    if (!(rounded > MIN_MAIN_VOLUME))
        return kOffTextKey;
    char text[16];
    std::snprintf(text, sizeof text, "%gdB", rounded);
    return text;
}

std::optional<int> ParseVolumeText(std::string_view text, std::string_view offText, int offValue) {
    const std::string_view trimmed = Trimmed(text);
    if (!offText.empty() && trimmed == Trimmed(offText))
        return offValue;
    std::string_view digits = trimmed;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        // from_chars takes a '-' of its own; "+-3" is not one sign.
        if (!digits.empty() && digits.front() == '-')
            return std::nullopt;
    }
    long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end == digits.data())
        return std::nullopt;
    // What may follow the whole number: a fraction (dropped, as the field takes whole dB) and
    // the unit the field showed. Anything else is a typo, not a volume.
    std::string_view rest(end, static_cast<size_t>(digits.data() + digits.size() - end));
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9')
            rest.remove_prefix(1);
    }
    rest = Trimmed(rest);
    if (!rest.empty() && !(rest.size() == 2 && (rest[0] == 'd' || rest[0] == 'D') &&
                           (rest[1] == 'b' || rest[1] == 'B')))
        return std::nullopt;
    // Far outside any volume range: the caller's clamp brings it in.
    if (value > 10000)
        value = 10000;
    if (value < -10000)
        value = -10000;
    return static_cast<int>(value);
}

}  // namespace model
