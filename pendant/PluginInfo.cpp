#include "pendant/PluginInfo.h"

#include <map>
#include <system_error>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/io/File.h"

namespace kivora::pendant {
namespace {

// A 32-bit module cannot map more than this; a larger "*.dll" is no plug-in and is not
// worth reading into memory.
constexpr std::int64_t kMaxPluginFileSize = std::int64_t{256} << 20;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Code points of UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::u32string DecodeUtf16(std::u16string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += static_cast<char32_t>(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += U'\uFFFD';
    } else {
      out += unit;
    }
  }
  return out;
}

// Big5 form of the text with '?' for each character that has none.
std::string ToBig5WithDefaultChar(const std::u32string& chars) {
  std::string utf8;
  for (char32_t c : chars) AppendUtf8(utf8, c);
  if (auto whole = ToBig5(utf8)) return *whole;
  std::string big5;
  for (char32_t c : chars) {
    std::string one;
    AppendUtf8(one, c);
    const auto converted = ToBig5(one);
    big5 += converted ? *converted : std::string("?");
  }
  return big5;
}

// Length of the longest prefix of Big5 text that ends on a character boundary and is
// no longer than maxBytes.
size_t Big5PrefixLength(std::string_view big5, size_t maxBytes) {
  size_t at = 0;
  while (at < big5.size()) {
    const auto lead = static_cast<unsigned char>(big5[at]);
    const size_t width = (lead >= 0x81 && lead <= 0xFE) ? 2 : 1;
    if (at + width > maxBytes || at + width > big5.size()) break;
    at += width;
  }
  return at;
}

bool HasDllExtension(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return ext == ".dll";
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadPluginFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  try {
    File file = File::OpenRead(path);
    const std::int64_t size = file.Size();
    if (size < 0 || size > kMaxPluginFileSize) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size));
    file.ReadExact(bytes);
    return bytes;
  } catch (const KivoraError&) {
    return std::nullopt;
  }
}

std::vector<int> PluginPictureIds(const PeResources& resources) {
  std::vector<int> ids;
  for (int id : resources.KvrIds()) {
    if (id >= kFirstPluginPendantId && id <= kLastPluginPendantId) ids.push_back(id);
  }
  return ids;
}

std::string ShownPluginText(std::u16string_view text, std::size_t maxBig5Bytes) {
  text = text.substr(0, text.find(u'\0'));
  const std::string big5 = ToBig5WithDefaultChar(DecodeUtf16(text));
  return FromBig5Lossy(std::string_view(big5).substr(0, Big5PrefixLength(big5, maxBig5Bytes)));
}

PluginInfo DescribePlugin(const PeResources& resources, std::string fileName) {
  const auto text = [&](int id, std::size_t maxBytes) {
    const auto entry = resources.String(id);
    return entry ? ShownPluginText(*entry, maxBytes) : std::string();
  };
  PluginInfo info;
  info.fileName = std::move(fileName);
  info.name = text(kPluginNameString, kPluginFieldMaxBytes);
  info.version = text(kPluginVersionString, kPluginFieldMaxBytes);
  info.extension = text(kPluginExtensionString, kPluginFieldMaxBytes);
  info.author = text(kPluginAuthorString, kPluginFieldMaxBytes);
  info.comment = text(kPluginCommentString, kPluginCommentMaxBytes);
  info.pictureIds = PluginPictureIds(resources);
  return info;
}

std::optional<PluginInfo> ReadPluginInfo(const std::filesystem::path& path) {
  const auto bytes = ReadPluginFile(path);
  if (!bytes) return std::nullopt;
  const auto parsed = PeResources::Parse(*bytes);
  if (!parsed) return std::nullopt;
  return DescribePlugin(*parsed, path.filename().string());
}

std::vector<PluginInfo> ListPlugins(std::span<const std::filesystem::path> folders) {
  std::map<std::string, std::filesystem::path> candidates;  // by file name, sorted
  for (const auto& folder : folders) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      const auto& path = it->path();
      if (HasDllExtension(path)) candidates.try_emplace(path.filename().string(), path);
    }
  }
  std::vector<PluginInfo> plugins;
  for (const auto& [name, path] : candidates) {
    auto info = ReadPluginInfo(path);
    if (info && !info->pictureIds.empty()) plugins.push_back(std::move(*info));
  }
  return plugins;
}

}  // namespace kivora::pendant
