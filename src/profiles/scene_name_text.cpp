#include "profiles/scene_name_text.h"

#include <algorithm>

namespace profiles {
namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at text[i], or 0 when it is not one.
std::size_t Utf8SequenceAt(std::span<const std::uint8_t> text, std::size_t i) {
    const std::uint8_t b = text[i];
    std::size_t length;
    char32_t cp;
    if (b < 0x80) {
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((text[i + k] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (text[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return 0;
    }
    return length;
}

std::string TextOfUtf16(std::span<const std::uint8_t> field) {
    std::string out;
    const std::size_t units = field.size() / 2;
    for (std::size_t u = 0; u < units; ++u) {
        const char32_t unit = field[2 * u] | (field[2 * u + 1] << 8);
        if (unit == 0) {
            break;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && u + 1 < units) {
            const char32_t low = field[2 * u + 2] | (field[2 * u + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++u;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit);
    }
    return out;
}

}  // namespace

std::string ValidUtf8(std::string_view bytes) {
    const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size());
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            AppendUtf8(out, text[i]);
            ++i;
        } else {
            out.append(reinterpret_cast<const char*>(text.data() + i), length);
            i += length;
        }
    }
    return out;
}

std::string TextOfNameField(std::span<const std::uint8_t> field) {
    if (field.size() >= 2 && field[0] != 0 && field[1] == 0) {
        return TextOfUtf16(field);
    }
    const std::size_t end = std::find(field.begin(), field.end(), 0) - field.begin();
    // Erased flash: the amplifier reports a never-named scene as 0xFF bytes.
    if (end > 0 && std::all_of(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(end),
                               [](std::uint8_t b) { return b == 0xFF; })) {
        return {};
    }
    return ValidUtf8(std::string_view(reinterpret_cast<const char*>(field.data()), end));
}

NameField NameFieldOfText(std::string_view utf8, std::size_t maxBytes) {
    std::size_t cut = std::min({utf8.size(), maxBytes, std::size_t{model::SCENE_NAME_BYTES}});
    // Never end inside a character: step back over continuation bytes to the lead byte.
    if (cut < utf8.size()) {
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    NameField field{};
    std::copy_n(utf8.begin(), cut, field.begin());
    return field;
}

NameField NormalizeNameField(std::span<const std::uint8_t> field) {
    return NameFieldOfText(TextOfNameField(field), model::SCENE_NAME_BYTES);
}

}  // namespace profiles
