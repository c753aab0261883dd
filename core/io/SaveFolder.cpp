#include "core/io/SaveFolder.h"

#include <cerrno>
#include <string>

#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {

bool FolderExists(const std::filesystem::path& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

SaveFolderCheck EnsureSaveFolder(const std::filesystem::path& folder, OperationEvents& events) {
  if (FolderExists(folder)) return {true, false};
  std::error_code ec;
  // A file of that name is no missing folder: offering to create one could only fail.
  if (!folder.empty() && std::filesystem::exists(folder, ec)) {
    events.ShowError(msg::kSaveFolderIsAFile, MessageText::Plain(folder.string()));
    return {false, false};
  }
  if (events.AskYesNo(QuestionKind::CreateFolder, msg::kCreateFolderQuestion, folder) !=
      Answer::Yes) {
    return {false, false};
  }
  // create_directory makes one level and fails when the parent is missing.
  const bool created = !folder.empty() && std::filesystem::create_directory(folder, ec);
  if (!created || ec) {
    // Without an error of the system the name was taken meanwhile.
    const int reason = folder.empty() ? ENOENT : ec ? ec.value() : EEXIST;
    events.ShowError(msg::kCreateFolderFailed, DescribeIoError(folder, msg::kPathReason, reason));
    return {false, false};
  }
  return {true, true};
}

std::optional<std::filesystem::path> OutputFolderOf(
    const std::filesystem::path& setFolder, const std::optional<std::filesystem::path>& chosen,
    OperationEvents& events, bool& created) {
  if (!chosen) return setFolder;
  const SaveFolderCheck check = EnsureSaveFolder(*chosen, events);
  if (!check.ok) return std::nullopt;
  created = check.created;
  return *chosen;
}

void RemoveIfCreated(const std::filesystem::path& folder, bool& created) {
  if (!created) return;
  std::error_code ec;
  if (std::filesystem::is_empty(folder, ec) && !ec && std::filesystem::remove(folder, ec)) {
    created = false;
  }
}

}  // namespace kivora
