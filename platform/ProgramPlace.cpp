#include "platform/ProgramPlace.h"

#include <unistd.h>

#include <system_error>

#include "platform/InstallDirs.h"

namespace kivora::platform {
namespace {

bool IsWritableFolder(const std::filesystem::path& folder) {
  std::error_code error;
  return std::filesystem::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

ProgramPlace PlaceOf(const std::filesystem::path& programFolder) {
  ProgramPlace place{programFolder, false, std::filesystem::path(kInstallDataFolder)};
  const std::filesystem::path treeData =
      (programFolder / kDataFolderFromProgram).lexically_normal();
  std::error_code error;
  if (std::filesystem::is_directory(treeData / "kivora", error)) {
    place.installed = true;
    place.dataFolder = treeData;
  } else {
    place.installed = !IsWritableFolder(programFolder);
  }
  return place;
}

ProgramPlace CurrentProgramPlace() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return PlaceOf(error ? std::filesystem::current_path(error) : exe.parent_path());
}

}  // namespace kivora::platform
