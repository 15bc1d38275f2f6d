// The wildcard matcher used for selecting archive entries and for finding
// files. It works on bytes: names are UTF-8, and only the ASCII letters A-Z
// are folded to lower case, so matching is case-insensitive for them alone.
//
// Pattern characters:
//   *        any run of name bytes, the empty one included; it crosses the
//            '\' and '/' separators and dots
//   ?        exactly one name byte (never past the end of the name)
//   <...>    one name byte from a class: single bytes and ranges "a-z",
//            negated by a leading '!' or '^'; bytes compare unsigned.
//            A malformed class ("<>", no closing '>', a '-' with nothing or
//            '>' after it) makes the whole pattern match nothing.
//   other    itself
//
// Consequences worth knowing: "*.*" matches only names holding a dot; "*"
// matches every name, the empty one too; a '?' at the end needs a byte.
// A pattern ending in a run of '*' and '?' whose last character is '?'
// ("*?", "a*??") matches when the name has at least one byte per '?' left
// over at that point: the '*' takes the rest. A '*' that is not the last
// pattern character needs at least one name byte to be left when it is
// reached, so "a**" and "a*?*" do not match "a".
#pragma once

#include <string_view>

namespace movrel {

bool IsMatch(std::string_view pattern, std::string_view name);

// True when text holds any of the wildcard characters * ? < > |.
bool HasWildcards(std::string_view text);

}  // namespace movrel
