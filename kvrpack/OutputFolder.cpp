#include "kvrpack/OutputFolder.h"

#include <unistd.h>

namespace kvrpack {

bool IsWritableFolder(const std::filesystem::path& folder) {
  std::error_code error;
  return std::filesystem::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path ChooseOutputFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& currentFolder) {
  return IsWritableFolder(programFolder) ? programFolder : currentFolder;
}

}  // namespace kvrpack
