#pragma once

#include <filesystem>

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

}  // namespace kivora
