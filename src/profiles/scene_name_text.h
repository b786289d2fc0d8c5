#pragma once
// Scene names between their 16-byte field and text. The program keeps names as UTF-8; a field
// may still hold other encodings (older files, names typed on the amplifier), so reading never
// fails: bytes that are not UTF-8 are taken as Latin-1, and a field that starts like UTF-16LE
// (a character then a zero byte) is read as UTF-16LE, and erased flash (all 0xFF) is empty.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "model/constants.h"

namespace profiles {

using NameField = std::array<char, model::SCENE_NAME_BYTES>;

// Longest name in bytes: the field keeps a terminating zero.
inline constexpr std::size_t kMaxSceneNameBytes = model::SCENE_NAME_BYTES - 1;

// The bytes as valid UTF-8: well-formed sequences kept, any other byte taken as Latin-1.
std::string ValidUtf8(std::string_view bytes);

// Valid UTF-8 text of a field, up to its terminator.
std::string TextOfNameField(std::span<const std::uint8_t> field);

// The field for a UTF-8 text: cut to at most maxBytes at a character boundary, zero-padded.
// A typed name keeps room for a terminator; a field read in may fill all 16 bytes.
NameField NameFieldOfText(std::string_view utf8, std::size_t maxBytes = kMaxSceneNameBytes);

// Both steps: what a field becomes once taken into the program. A field that is already
// UTF-8 keeps every byte.
NameField NormalizeNameField(std::span<const std::uint8_t> field);

}  // namespace profiles
