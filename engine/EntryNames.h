// Entry names: UTF-8 in memory. Names read are decoded by the rules below;
// names written are stored as ASCII, or as UTF-8 with general purpose bit 11.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace movrel {

constexpr uint16_t kFlagUtf8 = 0x0800;  // general purpose bit 11

std::string Cp437ToUtf8(std::string_view bytes);
// False when a character has no code page 437 byte.
bool Utf8ToCp437(std::string_view utf8, std::string& out);
bool IsValidUtf8(std::string_view bytes);

// The in-memory (UTF-8) form of a stored name, before separators are
// turned round. centralExtra may hold a Unicode path field (0x7075).
std::string DecodeStoredName(std::string_view stored, uint16_t generalFlags, uint16_t versionMadeBy,
                             std::string_view centralExtra = {});

// The bytes to store for a UTF-8 name; utf8Flag tells whether bit 11 must
// be set (any name beyond ASCII, or keepUtf8).
std::string EncodeStoredName(std::string_view utf8, bool& utf8Flag, bool keepUtf8 = false);

}  // namespace movrel
