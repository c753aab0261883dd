#pragma once

#include <filesystem>
#include <optional>

#include "core/OperationEvents.h"

namespace kivora {

// True when path names an existing folder (with or without a trailing separator).
bool FolderExists(const std::filesystem::path& path);

struct SaveFolderCheck {
  bool ok = false;
  bool created = false;
};

// Checks a chosen save folder; when it is missing, asks whether to create it (one
// level only: a missing parent is not created).
SaveFolderCheck EnsureSaveFolder(const std::filesystem::path& folder, OperationEvents& events);

// The folder an operation on the set in `setFolder` writes to: `chosen` when given (made
// first when missing and the user agrees; `created` then tells that it was made), else
// the set's own folder. Empty when a missing folder is not to be made.
std::optional<std::filesystem::path> OutputFolderOf(
    const std::filesystem::path& setFolder, const std::optional<std::filesystem::path>& chosen,
    OperationEvents& events, bool& created);

// Removes the folder OutputFolderOf made (`created`) when a refusal leaves it empty, so
// that a refused operation leaves nothing behind; clears `created` when it went.
void RemoveIfCreated(const std::filesystem::path& folder, bool& created);

// Calls RemoveIfCreated when it goes: declared before what writes into the folder, an
// operation that failed or stopped leaves no empty folder it made, one that kept its
// output keeps the folder.
class MadeFolderCleanup {
 public:
  MadeFolderCleanup(const std::filesystem::path& folder, bool& created)
      : folder_(folder), created_(created) {}
  ~MadeFolderCleanup() { RemoveIfCreated(folder_, created_); }
  MadeFolderCleanup(const MadeFolderCleanup&) = delete;
  MadeFolderCleanup& operator=(const MadeFolderCleanup&) = delete;

 private:
  const std::filesystem::path& folder_;
  bool& created_;
};

}  // namespace kivora
