#include "net/SetFileNames.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "net/FetchMessages.h"

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

std::pair<std::vector<std::string>, bool> ListedDefinitionNames(
    const std::vector<FileAddresses>& groups) {
  std::optional<std::string> file;
  std::vector<std::string> parts;
  for (const FileAddresses& group : groups) {
    // A name that is no plain file name is no file of a set.
    if (!IsPlainFileName(group.fileName)) continue;
    if (IsDefinitionFileName(group.fileName)) {
      if (file) throw KivoraError(texts::kSeveralDefinitions(group.fileName));
      file = group.fileName;
    } else if (!LooksLikeRecoveryName(group.fileName)) {
      parts.push_back(group.fileName);
    }
  }
  if (file) return {{*file}, false};
  if (parts.empty()) throw KivoraError(texts::kNoDefinitionListed);
  std::sort(parts.rbegin(), parts.rend());
  return {parts, true};
}

}  // namespace kivora::net
