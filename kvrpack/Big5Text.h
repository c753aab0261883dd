#pragma once
// Conversions of the texts a plug-in carries: UTF-8 (as typed) to UTF-16 (the string
// table's form) and to code page 950 (Big5, the resource script's form).

#include <optional>
#include <string>
#include <string_view>

namespace kvrpack {

// Empty optional when `utf8` is not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// The Big5 bytes of `utf8`; empty optional when it is not valid UTF-8 or holds a
// character that code page 950 has no round-trip form for.
std::optional<std::string> Utf8ToBig5(std::string_view utf8);

// The first character of `utf8` (as UTF-8) that Utf8ToBig5 cannot convert; empty when
// every character converts.
std::string FirstCharacterWithoutBig5(std::string_view utf8);

}  // namespace kvrpack
