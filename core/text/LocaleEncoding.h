#pragma once
// The user's own encoding: that of the locale's character type, in which a terminal
// sends what is typed and other programs of the desktop read a plain text file.

#include <string>
#include <string_view>

namespace kivora {

// True when text in `encoding` is taken as UTF-8 as it stands: the names of UTF-8
// ("UTF-8", "UTF8", in any case) and the names of ASCII that the C and POSIX locales
// give ("ANSI_X3.4-1968", "US-ASCII", "ASCII", in any case, or none), under which
// terminals and file names carry UTF-8 all the same.
bool IsUtf8Encoding(std::string_view encoding);

// The locale's encoding as the C library names it ("BIG5", "UTF-8"), after main's
// setlocale; "UTF-8" for every name IsUtf8Encoding accepts.
std::string LocaleEncoding();

}  // namespace kivora
