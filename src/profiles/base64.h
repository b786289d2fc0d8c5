#pragma once
// Standard Base64 (RFC 4648 alphabet, "=" padding) for the scene names of whole profiles.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace profiles {

std::string Base64Encode(std::span<const std::uint8_t> bytes);

// Decodes into a zeroed buffer of N bytes. Characters outside the alphabet are skipped, "="
// ends the current group, and decoding stops once the buffer is full, so a longer text gives
// its first N bytes and nothing can overrun.
template <std::size_t N>
std::array<std::uint8_t, N> Base64DecodeInto(std::string_view text);

// The untemplated core: writes at most out.size() bytes, returns how many.
std::size_t Base64Decode(std::string_view text, std::span<std::uint8_t> out);

template <std::size_t N>
std::array<std::uint8_t, N> Base64DecodeInto(std::string_view text) {
    std::array<std::uint8_t, N> out{};
    Base64Decode(text, out);
    return out;
}

}  // namespace profiles
