#include "net/AddressList.h"

#include <algorithm>
#include <map>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "core/text/IcuConverter.h"
#include "core/text/LocaleEncoding.h"
#include "core/text/Utf8.h"
#include "net/FetchMessages.h"

namespace kivora::net {
namespace {

// Far longer than any address a server takes; a longer line is no address.
constexpr size_t kLongestListLine = 16 * 1024;
constexpr size_t kShownOfLongLine = 80;

}  // namespace

std::vector<std::string> ReadListLines(const std::filesystem::path& path,
                                       std::string_view encoding) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  std::string text(bytes.begin(), bytes.end());
  const std::string from = encoding.empty() ? LocaleEncoding() : std::string(encoding);
  if (!IsUtf8Encoding(from)) {
    const auto converter = IcuConverter::Open(from, IcuConverter::Misfit::Stop);
    std::optional<std::string> utf8 = converter ? converter->ToUtf8(text) : std::nullopt;
    if (!utf8) throw KivoraError(texts::kListNotInEncoding(path.string()));
    text = std::move(*utf8);
  } else if (!IsValidUtf8(text)) {
    throw KivoraError(texts::kListNotInEncoding(path.string()));
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::vector<std::string> lines;
  size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (line.size() > kLongestListLine) {
      // The start of the line, cut before a character and not inside one.
      size_t shown = kShownOfLongLine;
      while (shown > 0 && (static_cast<unsigned char>(line[shown]) & 0xC0) == 0x80) --shown;
      throw KivoraError(texts::kListLineTooLong(path.string(), number,
                                                static_cast<int>(kLongestListLine),
                                                std::string(line.substr(0, shown))));
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
      line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (!line.empty()) lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

std::vector<Address> GatherAddresses(std::span<const std::string> arguments) {
  std::vector<Address> addresses;
  for (const std::string& argument : arguments) {
    if (LooksLikeAddress(argument)) {
      addresses.push_back(ParseAddress(argument));
      continue;
    }
    for (const std::string& line : ReadListLines(argument)) {
      addresses.push_back(ParseAddress(line));
    }
  }
  return addresses;
}

std::vector<FileAddresses> GroupByFileName(std::span<const Address> addresses) {
  std::vector<FileAddresses> groups;
  std::map<std::string, size_t, std::less<>> at;
  for (const Address& address : addresses) {
    const auto [it, added] = at.try_emplace(address.fileName, groups.size());
    if (added) groups.push_back({address.fileName, {}});
    auto& list = groups[it->second].addresses;
    const bool known = std::any_of(list.begin(), list.end(),
                                   [&](const Address& a) { return a.url == address.url; });
    if (!known) list.push_back(address);
  }
  return groups;
}

}  // namespace kivora::net
