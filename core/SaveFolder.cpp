#include "SaveFolder.h"

#include <string>

#include "Messages.h"

namespace kivora {

bool FolderExists(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

SaveFolderCheck EnsureSaveFolder(const std::filesystem::path& folder, Ui& ui) {
  if (FolderExists(folder)) return {true, false};
  if (ui.Ask(msg::kCreateFolderQuestion) != Answer::Yes) return {false, false};
  std::error_code ec;
  // create_directory makes one level and fails when the parent is missing.
  if (folder.empty() || !std::filesystem::create_directory(folder, ec) || ec) {
    ui.ShowError(msg::kCreateFolderFailed);
    return {false, false};
  }
  return {true, true};
}

}  // namespace kivora
