#include "core/set/SetMembers.h"

#include <algorithm>

#include "core/format/RecoveryFormat.h"
#include "core/io/EntryNames.h"

namespace kivora {
namespace {

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

SetNames NamesOfParts(const std::vector<std::string>& parts, const std::string& definition) {
  return SetNames::OfParts(parts, definition);
}

}  // namespace

SetMembers MembersOf(const KvrDefinition& definition, const std::filesystem::path& definitionPath,
                     std::vector<std::string> recovery) {
  SetMembers members;
  members.definition = definitionPath.filename().string();
  for (const PartRecord& part : definition.parts) members.parts.push_back(part.FileName);
  members.recovery = std::move(recovery);
  return members;
}

SetMembers MembersOf(const SetNames& names, int partCount, std::vector<std::string> recovery) {
  SetMembers members;
  members.definition = names.DefinitionName();
  members.parts.reserve(static_cast<size_t>(std::max(partCount, 0)));
  for (int i = 0; i < partCount; ++i) members.parts.push_back(names.PartName(i));
  members.recovery = std::move(recovery);
  return members;
}

bool MembersNameSet(const SetMembers& members, std::string_view setName) {
  if (!IsPlainEntryName(members.definition)) return false;
  const SetNames names = NamesOfParts(members.parts, members.definition);
  if (names.LockName() != setName) return false;
  for (const std::string& part : members.parts) {
    if (!IsPlainEntryName(part)) return false;
  }
  if (!Contains(members.parts, members.definition) &&
      NamesOfParts({}, members.definition).LockName() != setName) {
    return false;
  }
  const std::string recoveryPrefix = names.Recovery(1).prefix;
  return std::all_of(members.recovery.begin(), members.recovery.end(), [&](const std::string& r) {
    return IsPlainEntryName(r) && r.starts_with(recoveryPrefix) && LooksLikeRecoveryName(r);
  });
}

bool IsMemberName(const SetMembers& members, std::string_view name) {
  return members.definition == name || Contains(members.parts, name) ||
         Contains(members.recovery, name);
}

}  // namespace kivora
