#pragma once
// UTF-8, the encoding of text in memory and in the UI: its validity, and its
// conversions to and from UTF-16, the form ICU's converters work on.

#include <optional>
#include <string>
#include <string_view>

namespace kivora {

// True when `text` is well-formed UTF-8: no stray or missing trail byte, no overlong
// form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// UTF-8 -> UTF-16; empty optional when the text is not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view utf8);

// UTF-16 -> UTF-8, with U+FFFD for a lone surrogate.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace kivora
