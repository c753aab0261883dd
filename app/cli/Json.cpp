#include "app/cli/Json.h"

#include <cstdio>

#include "app/cli/TerminalText.h"

namespace kivora::cli {

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  ForEachCodePoint(text, [&](UChar32 c, std::string_view bytes) {
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
          // Past U+FFFF (the tag characters) JSON escapes a surrogate pair.
          char buf[16];
          if (c > 0xFFFF) {
            const auto v = static_cast<unsigned>(c) - 0x10000;
            std::snprintf(buf, sizeof buf, "\\u%04x\\u%04x", 0xD800 + (v >> 10),
                          0xDC00 + (v & 0x3FF));
          } else {
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          }
          out += buf;
        } else {
          out += bytes;
        }
    }
  });
  return out + "\"";
}

}  // namespace kivora::cli
