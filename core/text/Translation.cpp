#include "core/text/Translation.h"

#include <algorithm>

namespace kivora {
namespace {

// A template cut at its placeholders: n+1 fixed pieces around n values of the given kinds.
struct Pieces {
  std::vector<std::string_view> fixed;
  std::string kinds;  // 's' or 'd' per value
};

Pieces Cut(std::string_view templ) {
  Pieces p;
  size_t start = 0;
  for (size_t at = 0; at + 1 < templ.size(); ++at) {
    if (templ[at] != '%' || (templ[at + 1] != 's' && templ[at + 1] != 'd')) continue;
    p.fixed.push_back(templ.substr(start, at - start));
    p.kinds.push_back(templ[at + 1]);
    start = at + 2;
    ++at;
  }
  p.fixed.push_back(templ.substr(start));
  return p;
}

bool IsInteger(std::string_view s) {
  if (s.starts_with('-')) s.remove_prefix(1);
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Matches value `i` and what follows it from `at` on. A fixed piece that occurs more than
// once is tried at its last occurrence first: the earlier values are paths and names,
// which may hold anything, while the last is the system's words or a short text.
bool MatchFrom(const Pieces& p, size_t i, std::string_view text, size_t at,
               std::vector<std::string_view>& values) {
  if (i == p.kinds.size()) return at == text.size();
  const std::string_view fixed = p.fixed[i + 1];
  std::vector<size_t> ends;  // where value i may end
  if (i + 1 == p.kinds.size()) {
    if (text.size() >= at + fixed.size() && text.ends_with(fixed))
      ends.push_back(text.size() - fixed.size());
  } else if (!fixed.empty()) {  // two values side by side could not be told apart
    for (size_t end = text.rfind(fixed); end != std::string_view::npos && end >= at;
         end = end == 0 ? std::string_view::npos : text.rfind(fixed, end - 1)) {
      ends.push_back(end);
    }
  }
  for (const size_t end : ends) {
    const std::string_view value = text.substr(at, end - at);
    if (p.kinds[i] == 'd' && !IsInteger(value)) continue;
    values.push_back(value);
    if (MatchFrom(p, i + 1, text, end + fixed.size(), values)) return true;
    values.pop_back();
  }
  return false;
}

}  // namespace

bool MatchTemplate(std::string_view templ, std::string_view text,
                   std::vector<std::string_view>& values) {
  const Pieces p = Cut(templ);
  values.clear();
  if (p.kinds.empty() || !text.starts_with(p.fixed.front())) return false;
  return MatchFrom(p, 0, text, p.fixed.front().size(), values);
}

Translation Translation::For(Language language, std::vector<EnglishTable> tables) {
  if (language != Language::English) return Translation();
  return Translation(std::move(tables));
}

const EnglishText* Translation::Exact(std::string_view text) const {
  for (const EnglishTable& table : tables_) {
    for (const EnglishText& entry : table) {
      if (entry.chinese == text) return &entry;
    }
  }
  return nullptr;
}

std::string Translation::operator()(std::string_view text) const {
  if (tables_.empty()) return std::string(text);
  if (const EnglishText* entry = Exact(text)) return std::string(entry->english);
  std::vector<std::string_view> values;
  for (const EnglishTable& table : tables_) {
    for (const EnglishText& entry : table) {
      if (!MatchTemplate(entry.chinese, text, values)) continue;
      const Pieces english = Cut(entry.english);
      std::string out(english.fixed.front());
      for (size_t i = 0; i < values.size() && i < english.kinds.size(); ++i) {
        const EnglishText* named = english.kinds[i] == 's' ? Exact(values[i]) : nullptr;
        out += named ? named->english : values[i];
        out += english.fixed[i + 1];
      }
      return out;
    }
  }
  return std::string(text);
}

}  // namespace kivora
