#include "net/RemoteListing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <utility>

namespace kivora::net {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const auto lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The text of an element with its five named entities decoded; empty on another entity.
std::optional<std::string> DecodeEntities(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities{
      {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}}};
  std::string decoded;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '&') {
      decoded += text[i++];
      continue;
    }
    const auto* entity = std::find_if(kEntities.begin(), kEntities.end(), [&](const auto& e) {
      return text.substr(i).starts_with(e.first);
    });
    if (entity == kEntities.end()) return std::nullopt;
    decoded += entity->second;
    i += entity->first.size();
  }
  return decoded;
}

std::optional<std::string> DecodePercent(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

// The last segment of an href that names a file (not a folder, which ends in "/").
std::optional<std::string> FileOfHref(std::string_view href) {
  const std::optional<std::string> text = DecodeEntities(href);
  if (!text || text->empty() || text->back() == '/') return std::nullopt;
  const size_t slash = text->rfind('/');
  std::optional<std::string> name =
      DecodePercent(slash == std::string::npos ? *text : text->substr(slash + 1));
  if (!name || name->empty() || name->find('/') != std::string::npos ||
      name->find('\0') != std::string::npos)
    return std::nullopt;
  return name;
}

bool IsHrefTag(std::string_view tag) {
  const size_t colon = tag.find(':');
  const std::string_view local = colon == std::string_view::npos ? tag : tag.substr(colon + 1);
  return local.size() == 4 && std::equal(local.begin(), local.end(), "href", [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

std::vector<std::string> DavNames(std::string_view xml) {
  std::vector<std::string> names;
  for (size_t open = xml.find('<'); open != std::string_view::npos; open = xml.find('<', open)) {
    const size_t close = xml.find('>', open);
    if (close == std::string_view::npos) break;
    const std::string_view tag = xml.substr(open + 1, close - open - 1);
    open = close;
    if (!IsHrefTag(tag)) continue;
    const size_t end = xml.find('<', close);
    if (end == std::string_view::npos) break;
    if (auto name = FileOfHref(xml.substr(close + 1, end - close - 1)))
      names.push_back(std::move(*name));
  }
  return names;
}

std::vector<std::string> LineNames(std::string_view text) {
  std::vector<std::string> names;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.find('/') == std::string_view::npos &&
        line.find('\0') == std::string_view::npos)
      names.emplace_back(line);
  }
  return names;
}

}  // namespace

std::vector<std::string> NamesInListing(HostKind kind, std::string_view listing) {
  switch (kind) {
    case HostKind::WebDav:
      return DavNames(listing);
    case HostKind::Ftp:
    case HostKind::Sftp:
      return LineNames(listing);
    case HostKind::S3:
      break;
  }
  return {};
}

}  // namespace kivora::net
