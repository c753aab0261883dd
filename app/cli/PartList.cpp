#include "PartList.h"

#include <algorithm>
#include <charconv>

namespace kivora::cli {
namespace {

std::optional<int> Number(std::string_view s) {
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || value < 0) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::vector<int>> ParsePartList(std::string_view text) {
  std::vector<int> out;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const size_t dash = item.find('-');
    const auto first = Number(item.substr(0, dash));
    const auto last = dash == std::string_view::npos ? first : Number(item.substr(dash + 1));
    if (!first || !last || *last < *first || *last - *first > 32767) return std::nullopt;
    for (int i = *first; i <= *last; ++i) out.push_back(i);
  }
  if (out.empty()) return std::nullopt;
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

}  // namespace kivora::cli
