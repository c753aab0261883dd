#pragma once
// Text in the user's own encoding (LocaleEncoding), the way other programs of the
// desktop read a plain text file.

#include <optional>
#include <string>
#include <string_view>

namespace kivora::filelist {

// UTF-8 -> `encoding` (a name or alias that ICU knows); empty optional when the text is
// not valid UTF-8 or a character has no form there. An encoding that IsUtf8Encoding
// accepts takes the text as it is. Throws KivoraError for an unknown encoding.
std::optional<std::string> EncodeText(std::string_view utf8, std::string_view encoding);

}  // namespace kivora::filelist
