#pragma once
// A password as the engine takes it: UTF-8. What the user types or stores is in the
// encoding of the locale's character type (a Big5 terminal sends Big5), so it is
// converted once, here, and refused when its bytes are not valid in that encoding:
// a password passed on mangled would lock a set with a key nobody can type again.

#include <string>
#include <string_view>

#include "core/payload/SecretText.h"

namespace kivora::cli {

// `text`, in `encoding` (a name that ICU knows), as UTF-8. An encoding that
// IsUtf8Encoding accepts (UTF-8, and the ASCII of the C locale, under which terminals
// send UTF-8 too) needs no conversion: the text is only checked as UTF-8. Throws
// KivoraError when a byte is not valid in the encoding, or when the encoding is unknown.
SecretText PasswordInUtf8(std::string_view text, std::string_view encoding);

}  // namespace kivora::cli
