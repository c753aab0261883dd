#include "net/Metalink.h"

#include <cstdint>

#include "core/io/AtomicFile.h"

namespace kivora::net {
namespace {

std::string Escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void Write(const std::string& text, const std::filesystem::path& path) {
  WriteFileAtomically(path,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace

void WriteMetalink(std::span<const ListedFile> files, const std::filesystem::path& path) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<metalink xmlns=\"urn:ietf:params:xml:ns:metalink\">\n"
      "  <generator>kivora-cli</generator>\n";
  for (const ListedFile& f : files) {
    xml += "  <file name=\"" + Escaped(f.name) + "\">\n";
    xml += "    <size>" + std::to_string(f.size) + "</size>\n";
    xml += "    <hash type=\"sha-256\">" + f.sha256 + "</hash>\n";
    // Every mirror is as good as the next: they share one priority.
    for (const std::string& url : f.urls)
      xml += "    <url priority=\"1\">" + Escaped(url) + "</url>\n";
    xml += "  </file>\n";
  }
  xml += "</metalink>\n";
  Write(xml, path);
}

void WriteSha256Sums(std::span<const ListedFile> files, const std::filesystem::path& path) {
  std::string text;
  // Binary mode ("*"), the form sha256sum -b writes: the bytes as they are.
  for (const ListedFile& f : files) text += f.sha256 + " *" + f.name + "\n";
  Write(text, path);
}

}  // namespace kivora::net
