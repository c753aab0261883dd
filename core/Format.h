#pragma once
// printf-style formatting of the message templates ("%s", "%d").

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

}  // namespace kivora
