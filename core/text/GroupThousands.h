#pragma once
// Byte counts as the user reads them.

#include <cstdint>
#include <string>
#include <string_view>

namespace kivora {

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
