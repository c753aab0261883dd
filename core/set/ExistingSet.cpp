#include "core/set/ExistingSet.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"

namespace kivora {
namespace {

std::optional<KvrDefinition> DefinitionAt(const std::filesystem::path& path,
                                          const PendantProvider& pendants) {
  try {
    return ReadDefinition(path, pendants);
  } catch (const KivoraError&) {
    return std::nullopt;
  }
}

// The number that follows `base` in `name` when digits and then nothing or a "." follow
// it: how a part of that base may be numbered.
std::optional<long> NumberAfter(std::string_view name, std::string_view base) {
  if (!name.starts_with(base)) return std::nullopt;
  const std::string_view rest = name.substr(base.size());
  const size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
  if (digits == 0 || digits > 9 || (digits < rest.size() && rest[digits] != '.'))
    return std::nullopt;
  return std::stol(std::string(rest.substr(0, digits)));
}

// The last part of the set of `names` that carries its definition: of the files
// numbered after the names' base, the highest that names itself as the last part of a
// set of the names' lock name.
std::optional<std::pair<std::filesystem::path, KvrDefinition>> ImplantedSet(
    const SetNames& names, const PendantProvider& pendants) {
  std::vector<std::pair<long, std::filesystem::path>> candidates;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(names.Folder(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (const auto number = NumberAfter(it->path().filename().string(), names.Base()))
      candidates.emplace_back(*number, it->path());
  }
  std::sort(candidates.begin(), candidates.end(), std::greater<>());
  for (const auto& [number, path] : candidates) {
    std::optional<KvrDefinition> definition = DefinitionAt(path, pendants);
    if (definition && definition->implanted && !definition->parts.empty() &&
        definition->parts.back().FileName == path.filename().string() &&
        SetNames::Of(*definition, path).LockName() == names.LockName()) {
      return std::pair(path, std::move(*definition));
    }
  }
  return std::nullopt;
}

}  // namespace

bool ExistingSet::Holds(std::string_view name) const {
  return (!definition.implanted && definitionPath.filename() == name) ||
         std::any_of(definition.parts.begin(), definition.parts.end(),
                     [&](const PartRecord& part) { return part.FileName == name; }) ||
         std::find(recoveryParts.begin(), recoveryParts.end(), name) != recoveryParts.end();
}

std::optional<ExistingSet> FindExistingSet(const SetNames& names, const PendantProvider& pendants) {
  ExistingSet set;
  set.definitionPath = names.DefinitionPath();
  if (std::optional<KvrDefinition> file = DefinitionAt(set.definitionPath, pendants);
      file && !file->implanted) {
    set.definition = std::move(*file);
  } else if (auto implanted = ImplantedSet(names, pendants)) {
    set.definitionPath = std::move(implanted->first);
    set.definition = std::move(implanted->second);
  } else {
    return std::nullopt;
  }
  return set;
}

}  // namespace kivora
