#include "core/io/EntryNames.h"

#include <cstdio>

namespace kivora {

bool IsPlainEntryName(std::string_view name) {
  return !name.empty() && name.size() <= kMaxEntryName && name != "." && name != ".." &&
         name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::uint64_t Fnv1a64(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string HashedName(std::string_view text) {
  char name[20];
  std::snprintf(name, sizeof name, "~%016llx", static_cast<unsigned long long>(Fnv1a64(text)));
  return name;
}

std::string TemporaryNameFor(std::string_view target) {
  constexpr std::string_view kTemporaryMark = ".kvtmp";
  const std::string name = 1 + target.size() + kTemporaryMark.size() > kMaxEntryName
                               ? HashedName(target)
                               : std::string(target);
  return "." + name + std::string(kTemporaryMark);
}

}  // namespace kivora
