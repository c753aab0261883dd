#include "core/parts/SetNames.h"

#include <algorithm>
#include <charconv>

namespace kivora {
namespace {

// `number` (0 or more) with at least `width` digits, zeros in front. Written out by hand:
// a set's names are made by the thousand, and formatting through printf costs more.
std::string PartNumberText(int number, int width) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  const auto length = static_cast<int>(end - digits);
  std::string text(static_cast<size_t>(std::max(0, width - length)), '0');
  text.append(digits, end);
  return text;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string WithoutTrailingUnderscore(std::string name) {
  if (!name.empty() && name.back() == '_') name.pop_back();
  return name;
}

}  // namespace

int NumberWidth(int partCount) {
  return std::max(2, static_cast<int>(std::to_string(partCount).size()));
}

SetNames SetNames::ForSplit(const SplitNaming& naming, std::optional<int> partCount) {
  SetNames names;
  names.folder_ = naming.folder;
  names.base_ = naming.baseName;
  names.suffix_ = "." + naming.extension;
  names.width_ = NumberWidth(partCount.value_or(kMaxPartCount));
  names.firstNumber_ = naming.numberFromOne ? 1 : 0;
  names.definitionName_ = WithoutTrailingUnderscore(naming.baseName) +
                          (naming.kvrExtension ? "_kvr." + naming.extension : ".kvr");
  // The names are read back as a definition of them reads them, so both find one base.
  std::vector<std::string> written;
  written.reserve(static_cast<size_t>(partCount.value_or(1)));
  for (int i = 0; i < partCount.value_or(1); ++i) written.push_back(names.PartName(i));
  if (!written.empty()) names.DeriveFrom(std::move(written));
  return names;
}

SetNames SetNames::Of(const KvrDefinition& definition,
                      const std::filesystem::path& definitionPath) {
  std::vector<std::string> parts;
  parts.reserve(definition.parts.size());
  for (const PartRecord& part : definition.parts) parts.push_back(part.FileName);
  return OfParts(std::move(parts), definitionPath);
}

SetNames SetNames::OfParts(std::vector<std::string> partNames,
                           const std::filesystem::path& definitionPath) {
  SetNames names;
  names.folder_ = definitionPath.parent_path();
  names.definitionName_ = definitionPath.filename().string();
  if (!partNames.empty()) names.DeriveFrom(std::move(partNames));
  return names;
}

void SetNames::DeriveFrom(std::vector<std::string> names) {
  hasParts_ = true;
  const std::string& first = names.front();
  const int count = static_cast<int>(names.size());
  const auto follows = [&](std::string_view base, std::string_view suffix, int width, int from) {
    for (int i = 0; i < count; ++i) {
      const std::string& name = names[static_cast<size_t>(i)];
      if (name.size() != base.size() + static_cast<size_t>(width) + suffix.size() ||
          !name.starts_with(base) || !EndsWith(name, suffix) ||
          name.compare(base.size(), static_cast<size_t>(width), PartNumberText(i + from, width)) !=
              0) {
        return false;
      }
    }
    return true;
  };
  // The longest numbers first: a stream's five digits are never read as a base ending in
  // zeros. The extension may hold digits and dots, so each place of the first number is
  // tried, the last one first.
  for (const int width : {NumberWidth(kMaxPartCount), NumberWidth(count)}) {
    for (const int from : {0, 1}) {
      const std::string number = PartNumberText(from, width);
      for (size_t at = first.rfind(number); at != std::string::npos;
           at = at == 0 ? std::string::npos : first.rfind(number, at - 1)) {
        const std::string_view suffix = std::string_view(first).substr(at + number.size());
        if (!suffix.empty() && suffix.front() != '.') continue;
        const std::string_view base = std::string_view(first).substr(0, at);
        if (follows(base, suffix, width, from)) {
          base_ = base;
          suffix_ = suffix;
          width_ = width;
          firstNumber_ = from;
          listed_.clear();
          return;
        }
      }
    }
  }
  // Names of another pattern: the first one's text before its extension and its digits.
  const size_t dot = first.rfind('.');
  std::string stem = first.substr(0, dot);
  while (!stem.empty() && stem.back() >= '0' && stem.back() <= '9') stem.pop_back();
  base_ = WithoutTrailingUnderscore(std::move(stem));
  suffix_ = dot == std::string::npos ? std::string() : first.substr(dot);
  width_ = NumberWidth(count);
  firstNumber_ = 0;
  listed_ = std::move(names);
}

std::filesystem::path SetFolderOf(const std::filesystem::path& path) {
  return path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
}

std::filesystem::path SetNames::Folder() const {
  return folder_.empty() ? std::filesystem::path(".") : folder_;
}

std::string SetNames::PartName(int index) const {
  if (!listed_.empty()) return listed_.at(static_cast<size_t>(index));
  return base_ + PartNumberText(index + firstNumber_, width_) + suffix_;
}

std::string SetNames::StoredDefinitionName(bool implanted, int partCount) const {
  return implanted && partCount > 0 ? PartName(partCount - 1) : definitionName_;
}

RecoveryNaming SetNames::Recovery(int recoveryCount) const {
  const std::string_view extension = std::string_view(suffix_).substr(suffix_.empty() ? 0 : 1);
  return MakeRecoveryNaming(base_, extension, recoveryCount, firstNumber_ == 1);
}

std::string SetNames::LockName() const {
  if (hasParts_) return WithoutTrailingUnderscore(base_);
  const std::filesystem::path definition = definitionName_;
  if (definition.extension() == ".kvr") return definition.stem().string();
  std::string stem = definition.stem().string();
  if (EndsWith(stem, "_kvr")) stem.resize(stem.size() - 4);
  return stem;
}

}  // namespace kivora
