#include "app/cli/PartList.h"

#include <algorithm>

namespace kivora::cli {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsNumber(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a digit string, or `limit` when it is `limit` or more.
int ValueUpTo(std::string_view digits, int limit) {
  long long value = 0;
  for (const char c : digits) {
    value = value * 10 + (c - '0');
    if (value >= limit) return limit;
  }
  return static_cast<int>(value);
}

PartList Fault(PartList::Status status, std::string_view fault) { return {status, {}, fault}; }

}  // namespace

PartList ParsePartList(std::string_view text, int partCount) {
  text = Trim(text);
  if (text.empty()) return {};
  const int count = std::max(partCount, 0);
  std::vector<bool> chosen(static_cast<size_t>(count), false);
  for (;;) {
    const size_t comma = text.find(',');
    const std::string_view item = Trim(text.substr(0, comma));
    const size_t dash = item.find('-');
    const std::string_view firstText = Trim(item.substr(0, dash));
    const std::string_view lastText =
        dash == std::string_view::npos ? firstText : Trim(item.substr(dash + 1));
    if (!IsNumber(firstText) || !IsNumber(lastText))
      return Fault(PartList::Status::Malformed, item);
    const int first = ValueUpTo(firstText, count);
    const int last = ValueUpTo(lastText, count);
    if (first == count) return Fault(PartList::Status::OutOfRange, firstText);
    if (last == count) return Fault(PartList::Status::OutOfRange, lastText);
    if (last < first) return Fault(PartList::Status::Malformed, item);
    std::fill(chosen.begin() + first, chosen.begin() + last + 1, true);
    if (comma == std::string_view::npos) break;
    text = text.substr(comma + 1);
  }
  PartList result;
  for (int i = 0; i < count; ++i) {
    if (chosen[static_cast<size_t>(i)]) result.indices.push_back(i);
  }
  return result;
}

}  // namespace kivora::cli
