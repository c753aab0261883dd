#pragma once
// Text that comes from a definition or the file system (names, comments, paths) made safe
// for a terminal: control characters, escape sequences and invisible line or direction
// marks are shown as escapes, so that such text can neither drive the terminal nor forge
// a line of output. Printable Unicode stays as it is.

#include <unicode/utf8.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text/Language.h"
#include "core/text/MessageText.h"

namespace kivora::cli {

// Calls fn(c, bytes) for each code point of UTF-8 `text`, with the bytes that encode it;
// c is negative for bytes that are not UTF-8.
template <typename Fn>
void ForEachCodePoint(std::string_view text, Fn&& fn) {
  const auto size = static_cast<int32_t>(text.size());
  int32_t at = 0;
  while (at < size) {
    const int32_t start = at;
    UChar32 c = 0;
    // ICU's macro narrows an int it computed within a byte's range.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
    U8_NEXT(text.data(), at, size, c);
#pragma GCC diagnostic pop
    fn(c, text.substr(static_cast<size_t>(start), static_cast<size_t>(at - start)));
  }
}

// Controls (C0, DEL, C1), format characters (direction marks, zero-width characters, the
// byte-order mark) and line and paragraph separators: characters a terminal does not
// show as themselves, by their Unicode general category.
bool IsHiddenCharacter(char32_t c);

// `text` with every backslash doubled and the hidden characters written as escapes: TAB,
// LF and CR as backslash-t, -n and -r, other ASCII controls as backslash-x and two hex
// digits, the others as backslash-u and four hex digits (past U+FFFF backslash-U and
// eight). A byte that is not part of UTF-8 is written as backslash-x and its two hex
// digits.
std::string TerminalText(std::string_view text);

// A message of the engines for the terminal, in `language`. The line breaks of the
// messages' own wording stay; every value in one (a path, a name, the system's words)
// is passed through TerminalText.
std::string TerminalMessage(const MessageText& message, Language language = Language::Chinese);

}  // namespace kivora::cli
