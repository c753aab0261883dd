#pragma once
// The set a split finds under the names it gives its own files, before it writes: the
// set whose definition is the file of the definition's name or, when that holds none,
// the set implanted in the last of its parts. Its files are those the split may replace
// and remove; any other file of a name the split gives belongs to no set of that name.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/parts/SetNames.h"

namespace kivora {

struct ExistingSet {
  std::filesystem::path definitionPath;  // its definition file, or the part that carries it
  KvrDefinition definition;
  // The names of its recovery parts in the folder: filled by the caller, which reads them.
  std::vector<std::string> recoveryParts;

  // True when `name`, in the set's folder, is one of its files: a part its definition
  // lists, its definition file or one of its recovery parts.
  bool Holds(std::string_view name) const;
};

// The set in the folder of `names` that a split of those names replaces: the definition
// file of names.DefinitionName() when it reads, else the part of the names' base with
// the highest number that carries an implanted definition naming it as its last part
// and naming a set of names.LockName(). Empty optional when there is none. Reads only.
std::optional<ExistingSet> FindExistingSet(const SetNames& names, const PendantProvider& pendants);

}  // namespace kivora
