#include "core/io/FreeNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {
// Up to this many names are looked up one by one.
constexpr int kLookUps = 32;

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
}  // namespace

FreeNames::FreeNames(std::filesystem::path folder, int asked)
    : folder_(folder.empty() ? std::filesystem::path(".") : std::move(folder)) {
  if (asked <= kLookUps) return;
  const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder_.c_str()));
  if (!dir) throw KivoraError(DescribeIoError(folder_, msg::kOpenFileFailed, errno));
  errno = 0;
  while (const dirent* entry = ::readdir(dir.get())) taken_.emplace(entry->d_name);
  if (errno != 0) throw KivoraError(DescribeIoError(folder_, msg::kOpenFileFailed, errno));
  read_ = true;
}

bool FreeNames::Holds(std::string_view name) const {
  if (read_) return !taken_.contains(name);
  struct stat st {};
  const std::string path = (folder_ / name).string();
  return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

}  // namespace kivora
