#include "net/SetFileNames.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace kivora::net {

bool IsDefinitionFileName(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.ends_with(".kvr") || lower.find("_kvr.") != std::string::npos;
}

bool IsRecoveryOf(const RecoveryNaming& naming, std::string_view name) {
  if (!name.starts_with(naming.prefix) || !name.ends_with(naming.suffix)) return false;
  const std::string_view digits =
      name.substr(naming.prefix.size(), name.size() - naming.prefix.size() - naming.suffix.size());
  return !digits.empty() &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace kivora::net
