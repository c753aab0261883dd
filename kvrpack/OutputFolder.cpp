#include "kvrpack/OutputFolder.h"

#include "platform/ProgramPlace.h"

namespace kvrpack {

std::filesystem::path ChooseOutputFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& currentFolder) {
  return kivora::platform::PlaceOf(programFolder).installed ? currentFolder : programFolder;
}

}  // namespace kvrpack
