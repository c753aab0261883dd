#include "core/io/OutputTarget.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {

OutputKind KindOfOutput(const std::filesystem::path& path, const MessageText& what) {
  const auto fail = [&] {
    throw KivoraError(what, DescribeIoError(path, msg::kCreateFileFailed, errno));
  };
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return OutputKind::Missing;
    fail();
  }
  if (S_ISLNK(st.st_mode)) {
    if (::stat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return OutputKind::Replaceable;  // a dangling link
      fail();
    }
  }
  return S_ISREG(st.st_mode) ? OutputKind::Replaceable : OutputKind::NotAFile;
}

}  // namespace kivora
