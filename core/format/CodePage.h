#pragma once
// Conversion between UTF-8 (memory, UI) and code page 950 (Big5 bytes on disk and in
// scrambler keys).

#include <optional>
#include <string>
#include <string_view>

#include "core/text/MessageText.h"

namespace kivora {

// UTF-8 -> Big5; empty optional when a character has no Big5 form.
std::optional<std::string> ToBig5(std::string_view utf8);
// UTF-8 -> Big5; throws KivoraError naming `what` when a character has no Big5 form.
std::string ToBig5OrThrow(std::string_view utf8, const MessageText& what);
// The same for a password, whose refusal never repeats it.
std::string PasswordToBig5OrThrow(std::string_view utf8);
// Big5 -> UTF-8; empty optional when the bytes are not valid Big5.
std::optional<std::string> FromBig5(std::string_view big5);
// Big5 -> UTF-8 with U+FFFD for bytes that are not valid Big5 (for display only).
std::string FromBig5Lossy(std::string_view big5);
// Lower-cases Big5 text character by character with the user's locale rules; a
// character whose lower case has no single Big5 form is kept.
std::string LowerBig5(std::string_view big5);
// True when every character of the UTF-8 text has a Big5 form.
bool FitsBig5(std::string_view utf8);
// The first character of the UTF-8 text (as UTF-8) that has no Big5 form, or the first
// bytes that are not UTF-8; empty when the whole text converts.
std::string FirstCharacterWithoutBig5(std::string_view utf8);

}  // namespace kivora
