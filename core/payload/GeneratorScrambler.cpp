// The float recurrence of the generator scrambler. Older sets were written with x87
// 80-bit arithmetic in a fixed order of operations; this file is compiled without
// contraction or fast-math so that each step below is one rounded 80-bit operation.

#include "core/payload/GeneratorScrambler.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace kivora {

static_assert(std::numeric_limits<long double>::digits == 64,
              "the generator scrambler needs 80-bit extended long double (x87)");

namespace {

std::string DecimalSeparator() {
  const std::lconv* lc = std::localeconv();
  return (lc && lc->decimal_point && *lc->decimal_point) ? lc->decimal_point : ".";
}

std::int32_t Ceil32(long double v) { return static_cast<std::int32_t>(std::ceil(v)); }

}  // namespace

std::string FormatGeneral15(long double value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  // 15 significant digits, exactly rounded: d.dddddddddddddde±X.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14Le", std::fabs(value));
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits += *p;
  }
  const int sciExponent = (*p == 'e') ? std::atoi(p + 1) : 0;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  const std::string sep = DecimalSeparator();
  const int e = sciExponent + 1;  // value = 0.d1d2... x 10^e
  std::string out = negative ? "-" : "";
  if (e >= -3 && e <= 15) {
    if (e > 0) {
      const auto ue = static_cast<size_t>(e);
      if (digits.size() <= ue) {
        out += digits + std::string(ue - digits.size(), '0');
      } else {
        out += digits.substr(0, ue) + sep + digits.substr(ue);
      }
    } else {
      out += "0" + sep + std::string(static_cast<size_t>(-e), '0') + digits;
    }
  } else {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += sep + digits.substr(1);
    out += "E" + std::to_string(e - 1);
  }
  return out;
}

std::string NextV1Key(V1State& state, std::string_view key, std::int64_t totalSize) {
  const int lastDigit = static_cast<int>(totalSize % 10);

  // t = (y - 0.97 * x) + 4 / (x * x + 1); x' = t - 3; y' = -0.98 * x
  const long double x = state.x;
  const long double y = state.y;
  const long double a = 0.97L * x;
  const long double b = y - a;
  const long double c = x * x;
  const long double d = c + 1.0L;
  const long double e = 4.0L / d;
  const long double t = b + e;
  const long double xNew = t - 3.0L;
  const long double yNew = -0.98L * x;
  state.x = xNew;
  state.y = yNew;

  std::string s;
  if (lastDigit % 2 == 1) {
    s = FormatGeneral15(std::fabs(state.x)) + std::string(key) +
        FormatGeneral15(std::fabs(state.y));
  } else {
    s = FormatGeneral15(std::fabs(state.y)) + std::string(key) +
        FormatGeneral15(std::fabs(state.x));
  }
  const std::int32_t mix = Ceil32(100.0L * state.x) ^ Ceil32(100.0L * state.y);
  for (size_t i = 1; i <= s.size(); ++i) {
    const std::int32_t v = static_cast<std::uint8_t>(s[i - 1]) ^ mix ^ static_cast<std::int32_t>(i);
    s[i - 1] = static_cast<char>(v & 0xFF);
  }
  return s;
}

}  // namespace kivora
