#include "kvrpack/ResourceScript.h"

namespace kvrpack {
namespace {

constexpr std::string_view kEol = "\r\n";

std::string TextLine(std::size_t index, const PluginTexts& texts) {
  return std::to_string(kFirstTextId + index) + ", \t\"" + EscapeScriptString(texts[index]) + "\"" +
         std::string(kEol);
}

}  // namespace

std::string EscapeScriptString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\"\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string EscapeScriptPath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      // Three octal digits always, so that a digit after the escape stays a digit.
      out += '\\';
      out += static_cast<char>('0' + (byte >> 6));
      out += static_cast<char>('0' + ((byte >> 3) & 7));
      out += static_cast<char>('0' + (byte & 7));
    }
  }
  return out;
}

std::string ResourceScript(const PluginTexts& texts, std::span<const std::string> picturePaths) {
  std::string out;
  const auto line = [&out](std::string_view text) { (out += text) += kEol; };
  line("STRINGTABLE");
  line("{");
  out += TextLine(0, texts);
  line("}");
  line("");
  line("STRINGTABLE");
  line("{");
  for (std::size_t i = 1; i < kTextCount; ++i) out += TextLine(i, texts);
  line("}");
  line("");
  line("");
  for (std::size_t i = 0; i < picturePaths.size(); ++i) {
    line(std::to_string(kFirstPictureId + i) + " KVR \"" + EscapeScriptPath(picturePaths[i]) +
         "\"");
  }
  return out;
}

}  // namespace kvrpack
