#include "core/io/CommitNames.h"

#include <cstdio>

namespace kivora {
namespace {

constexpr size_t kMaxEntryName = 255;
constexpr size_t kMaxTagName = 200;
constexpr std::string_view kNewMark = ".kvnew.";

std::string HashName(std::string_view text) {
  char name[20];
  std::snprintf(name, sizeof name, "~%016llx", static_cast<unsigned long long>(Fnv1a64(text)));
  return name;
}

}  // namespace

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

std::string SetFileTag(std::string_view setName) {
  return setName.size() > kMaxTagName ? HashName(setName) : std::string(setName);
}

std::string HiddenNamePrefix(std::string_view setName) {
  return "." + SetFileTag(setName) + std::string(kNewMark);
}

std::string HiddenNameFor(std::string_view setName, std::string_view target) {
  std::string name = HiddenNamePrefix(setName);
  if (name.size() + target.size() > kMaxEntryName ||
      target.find(kNewMark) != std::string_view::npos)
    return name + HashName(target);
  return name.append(target);
}

std::string TemporaryNameFor(std::string_view target) {
  constexpr std::string_view kTemporaryMark = ".kvtmp";
  const std::string name = 1 + target.size() + kTemporaryMark.size() > kMaxEntryName
                               ? HashName(target)
                               : std::string(target);
  return "." + name + std::string(kTemporaryMark);
}

std::string CommitJournalName(std::string_view setName) {
  return "." + SetFileTag(setName) + ".kvcommit";
}

std::string CommitJournalTempName(std::string_view setName) {
  return CommitJournalName(setName) + ".new";
}

bool IsHiddenNameOf(std::string_view setName, std::string_view name) {
  const std::string prefix = HiddenNamePrefix(setName);
  return name.size() > prefix.size() && name.starts_with(prefix) &&
         name.substr(prefix.size()).find(kNewMark) == std::string_view::npos;
}

}  // namespace kivora
