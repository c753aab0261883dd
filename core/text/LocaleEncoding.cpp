#include "core/text/LocaleEncoding.h"

#include <langinfo.h>

#include <algorithm>
#include <array>

namespace kivora {

bool IsUtf8Encoding(std::string_view encoding) {
  static constexpr std::array<std::string_view, 6> kNames = {
      "", "UTF-8", "UTF8", "ANSI_X3.4-1968", "US-ASCII", "ASCII"};
  // ASCII case only: the locale's own case rules (Turkish i) must not decide.
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  const auto sameLetters = [&](char a, char b) { return upper(a) == upper(b); };
  return std::any_of(kNames.begin(), kNames.end(), [&](std::string_view name) {
    return std::equal(name.begin(), name.end(), encoding.begin(), encoding.end(), sameLetters);
  });
}

std::string LocaleEncoding() {
  const char* codeset = ::nl_langinfo(CODESET);
  const std::string name = codeset ? codeset : "";
  return IsUtf8Encoding(name) ? "UTF-8" : name;
}

}  // namespace kivora
