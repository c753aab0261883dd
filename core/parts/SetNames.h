#pragma once
// The names of one set, from one place: its folder, the base name and number width its
// part names use, every part name, the definition's name, its recovery parts' names and
// the name its lock goes by. A split's request and a definition on disk give the same
// names for the same set, because both derive them from the part names themselves: the
// five-digit names of a stream and the shorter names of a file meet on one base.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/format/RecoveryFormat.h"

namespace kivora {

inline constexpr int kMaxPartCount = 32767;

// Digits of the part numbers a split of `partCount` parts writes: those of the count, at
// least 2.
int NumberWidth(int partCount);

// The folder of a set whose file is at `path`; "." for a bare file name.
std::filesystem::path SetFolderOf(const std::filesystem::path& path);

// What a split is asked to name its set by.
struct SplitNaming {
  std::filesystem::path folder;  // empty: the current folder
  std::string baseName;          // as typed; a trailing "_" stays in the part names
  std::string extension;
  bool numberFromOne = false;
  bool kvrExtension = false;  // definition named BASE_kvr.EXT instead of BASE.kvr
};

class SetNames {
 public:
  // The names a split gives a set of `partCount` parts. A stream's parts are named
  // before their count is known (no count): they are numbered for the largest count.
  static SetNames ForSplit(const SplitNaming& naming, std::optional<int> partCount);
  // The names of the set that the definition read from `definitionPath` describes.
  static SetNames Of(const KvrDefinition& definition, const std::filesystem::path& definitionPath);
  // The same, from the definition's part names alone.
  static SetNames OfParts(std::vector<std::string> partNames,
                          const std::filesystem::path& definitionPath);

  // The set's folder; "." for the current one.
  std::filesystem::path Folder() const;
  // The part names' text before their number ("movie_" of "movie_07.png").
  const std::string& Base() const { return base_; }
  // Digits of the part numbers as the names have them.
  int Width() const { return width_; }
  std::string PartName(int index) const;
  // The part's path: beside the definition, a bare name when the folder was not given.
  std::filesystem::path PartPath(int index) const { return folder_ / PartName(index); }
  // The definition file's name: BASE.kvr or BASE_kvr.EXT, also when it is implanted.
  const std::string& DefinitionName() const { return definitionName_; }
  std::filesystem::path DefinitionPath() const { return folder_ / definitionName_; }
  // The name the definition is stored under: its file's, or when implanted that of the
  // last of `partCount` parts.
  std::string StoredDefinitionName(bool implanted, int partCount) const;
  // How `recoveryCount` recovery parts of the set are named.
  RecoveryNaming Recovery(int recoveryCount) const;
  // The name the set's lock goes by: the base without a "_" before the number, or for
  // a set of no parts that of its definition without ".kvr" or "_kvr.EXT".
  std::string LockName() const;

 private:
  std::filesystem::path folder_;
  std::string base_;
  std::string suffix_;  // "." and the extension; empty when the names have no extension
  int width_ = 2;
  int firstNumber_ = 0;
  // The part names as a definition has them when they follow no numbering; else empty.
  std::vector<std::string> listed_;
  bool hasParts_ = false;
  std::string definitionName_;

  // Sets the numbering the names follow, or lists them when they follow none.
  void DeriveFrom(std::vector<std::string> names);
};

}  // namespace kivora
