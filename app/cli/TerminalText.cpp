#include "app/cli/TerminalText.h"

#include <unicode/utf8.h>

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
  std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
  out += buf;
}

}  // namespace

bool IsHiddenCharacter(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string TerminalText(std::string_view text) {
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
