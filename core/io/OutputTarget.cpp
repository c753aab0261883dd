#include "core/io/OutputTarget.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {

std::optional<OutputLookup> LookUpOutput(int folder, const char* name) {
  struct stat st {};
  if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return OutputLookup{OutputKind::Missing};
    return std::nullopt;
  }
  if (S_ISLNK(st.st_mode) && ::fstatat(folder, name, &st, 0) != 0) {
    if (errno == ENOENT) return OutputLookup{OutputKind::Replaceable};  // a dangling link
    return std::nullopt;
  }
  if (S_ISREG(st.st_mode)) return OutputLookup{OutputKind::Replaceable};
  return OutputLookup{OutputKind::NotAFile, S_ISDIR(st.st_mode)};
}

OutputKind KindOfOutput(const std::filesystem::path& path, const MessageText& what) {
  const std::optional<OutputLookup> found = LookUpOutput(AT_FDCWD, path.c_str());
  if (!found) throw KivoraError(what, DescribeIoError(path, msg::kCreateFileFailed, errno));
  return found->kind;
}

}  // namespace kivora
