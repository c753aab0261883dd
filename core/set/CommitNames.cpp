#include "core/set/CommitNames.h"

namespace kivora {
namespace {

constexpr size_t kMaxTagName = 200;
constexpr std::string_view kNewMark = ".kvnew.";

}  // namespace

std::string SetFileTag(std::string_view setName) {
  return setName.size() > kMaxTagName ? HashedName(setName) : std::string(setName);
}

std::string HiddenNamePrefix(std::string_view setName) {
  return "." + SetFileTag(setName) + std::string(kNewMark);
}

std::string HiddenNameFor(std::string_view setName, std::string_view target) {
  std::string name = HiddenNamePrefix(setName);
  if (name.size() + target.size() > kMaxEntryName ||
      target.find(kNewMark) != std::string_view::npos)
    return name + HashedName(target);
  return name.append(target);
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
