#include "app/cli/Json.h"

#include <unicode/utf8.h>

#include <cstdio>

#include "app/cli/TerminalText.h"

namespace kivora::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  const auto size = static_cast<int32_t>(text.size());
  int32_t at = 0;
  while (at < size) {
    const int32_t start = at;
    UChar32 c = 0;
    U8_NEXT(text.data(), at, size, c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0) {
          out += "\\ufffd";  // not UTF-8: the replacement character keeps the output JSON
        } else if (IsHiddenCharacter(static_cast<char32_t>(c))) {
          char buf[16];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out.append(text, static_cast<size_t>(start), static_cast<size_t>(at - start));
        }
    }
  }
  return out + "\"";
}

}  // namespace kivora::cli
