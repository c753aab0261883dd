#pragma once
// The names a commit of a set may touch (SetMembers, core/set/CommitJournal.h): those of
// the set before it and after it, as SetNames gives them. A journal found in a folder is
// obeyed only when every name it renames or removes is one of them, and they name the set
// the journal is of.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/parts/SetNames.h"
#include "core/set/CommitJournal.h"

namespace kivora {

// The members of the set that `definition`, read from `definitionPath`, describes, with
// the names of its recovery parts.
SetMembers MembersOf(const KvrDefinition& definition, const std::filesystem::path& definitionPath,
                     std::vector<std::string> recovery);
// The members of a set named by `names` with `partCount` parts.
SetMembers MembersOf(const SetNames& names, int partCount, std::vector<std::string> recovery);

// True when the members are a set of the name `setName` (SetNames::LockName): the parts
// derive that name, the definition is a part's name or a definition's name of the set,
// and each recovery part is named as the set's are.
bool MembersNameSet(const SetMembers& members, std::string_view setName);

// True when `name` is one of the members' names.
bool IsMemberName(const SetMembers& members, std::string_view name);

}  // namespace kivora
