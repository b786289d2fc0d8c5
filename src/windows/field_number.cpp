#include "windows/field_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace field_number {

namespace {

constexpr double kLimit = 1e6;

std::string Trimmed(const QString& field) {
    std::string text = field.trimmed().toStdString();
    if (!text.empty() && text.front() == '+') {
        text.erase(0, 1);
    }
    return text;
}

}  // namespace

double ReadReal(const QString& field) {
    const std::string text = Trimmed(field);
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)stop;
    if (ec != std::errc() || !std::isfinite(value)) {
        return 0.0;
    }
    return std::clamp(value, -kLimit, kLimit);
}

int ReadInt(const QString& field) {
    const std::string text = Trimmed(field);
    long long value = 0;
    const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)stop;
    if (ec == std::errc::result_out_of_range) {
        return text.front() == '-' ? -static_cast<int>(kLimit) : static_cast<int>(kLimit);
    }
    if (ec != std::errc()) {
        return 0;
    }
    return static_cast<int>(
        std::clamp(value, -static_cast<long long>(kLimit), static_cast<long long>(kLimit)));
}

}  // namespace field_number
