#pragma once
// printf-style formatting of the message templates ("%s", "%d"), and byte counts as
// the user reads them.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kivora {

template <typename... Args>
std::string Format(std::string_view templ, Args... args) {
  const std::string fmt(templ);
  const int n = std::snprintf(nullptr, 0, fmt.c_str(), args...);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, fmt.c_str(), args...);
  return out;
}

// "#,##0": the number in full with the given thousands separator (1,234,567).
inline std::string GroupThousands(std::int64_t value, std::string_view separator = ",") {
  std::string digits = std::to_string(value);
  const bool negative = digits.front() == '-';
  if (negative) digits.erase(0, 1);
  std::string out = negative ? "-" : "";
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace kivora
