#pragma once
// Text that comes from a definition or the file system (names, comments, paths) made safe
// for a terminal: control characters, escape sequences and invisible line or direction
// marks are shown as escapes, so that such text can neither drive the terminal nor forge
// a line of output. Printable Unicode stays as it is.

#include <string>
#include <string_view>

namespace kivora::cli {

// Controls (C0, DEL, C1) and the marks that break a line or turn the direction of the
// text that follows: characters a terminal does not show as themselves.
bool IsHiddenCharacter(char32_t c);

// `text` with every backslash doubled and the hidden characters written as escapes: TAB,
// LF and CR as backslash-t, -n and -r, other ASCII controls as backslash-x and two hex
// digits, the others as backslash-u and four hex digits. A byte that is not part of UTF-8
// is written as backslash-x and its two hex digits.
std::string TerminalText(std::string_view text);

// A message of the engines for the terminal. The line breaks of the engines' own
// messages stay; a name embedded in one (the missing or corrupt part's path) and any
// other text are passed through TerminalText.
std::string TerminalMessage(std::string_view message);

}  // namespace kivora::cli
