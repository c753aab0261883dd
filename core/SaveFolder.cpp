#include "core/SaveFolder.h"

#include <string>

#include "core/Messages.h"

namespace kivora {

bool FolderExists(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

SaveFolderCheck EnsureSaveFolder(const std::filesystem::path& folder, OperationEvents& events) {
  if (FolderExists(folder)) return {true, false};
  if (events.AskYesNo(QuestionKind::CreateFolder, msg::kCreateFolderQuestion, folder) !=
      Answer::Yes) {
    return {false, false};
  }
  std::error_code ec;
  // create_directory makes one level and fails when the parent is missing.
  if (folder.empty() || !std::filesystem::create_directory(folder, ec) || ec) {
    events.ShowError(msg::kCreateFolderFailed);
    return {false, false};
  }
  return {true, true};
}

}  // namespace kivora
