#include "app/cli/TerminalText.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdio>

namespace kivora::cli {
namespace {

void AppendByte(std::string& out, unsigned char byte) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "\\x%02x", byte);
  out += buf;
}

void AppendEscape(std::string& out, UChar32 c) {
  switch (c) {
    case '\t':
      out += "\\t";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    default:
      break;
  }
  if (c < 0x80) {
    AppendByte(out, static_cast<unsigned char>(c));
    return;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, c > 0xFFFF ? "\\U%08x" : "\\u%04x", static_cast<unsigned>(c));
  out += buf;
}

}  // namespace

bool IsHiddenCharacter(char32_t c) {
  // Controls (Cc), format characters (Cf: direction marks and isolates, zero-width
  // spaces and joiners, the byte-order mark) and line and paragraph separators (Zl, Zp).
  switch (u_charType(static_cast<UChar32>(c))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return true;
    default:
      return false;
  }
}

std::string TerminalText(std::string_view text) {
  // Printable ASCII but the backslash stands as it is: most names, a set's thousands.
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return c >= ' ' && c <= '~' && c != '\\'; }))
    return std::string(text);
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&](UChar32 c, std::string_view bytes) {
    if (c < 0) {
      for (const char byte : bytes) AppendByte(out, static_cast<unsigned char>(byte));
    } else if (c == '\\') {
      out += "\\\\";
    } else if (IsHiddenCharacter(static_cast<char32_t>(c))) {
      AppendEscape(out, c);
    } else {
      out += bytes;
    }
  });
  return out;
}

std::string TerminalMessage(const MessageText& message, Language language) {
  return message.In(language, TerminalText);
}

}  // namespace kivora::cli
