#pragma once
// Text in the user's own encoding: the encoding of the locale's character type, the
// way other programs of the desktop read a plain text file.

#include <optional>
#include <string>
#include <string_view>

namespace kivora::filelist {

// The locale's encoding as the C library names it ("UTF-8", "BIG5", ...). The C and
// POSIX locales, which name no real encoding, give "UTF-8", as file names are then.
std::string LocaleEncoding();

// UTF-8 -> `encoding` (a name or alias that ICU knows); empty optional when a
// character has no form there. Throws KivoraError for an unknown encoding.
std::optional<std::string> EncodeText(std::string_view utf8, std::string_view encoding);

}  // namespace kivora::filelist
