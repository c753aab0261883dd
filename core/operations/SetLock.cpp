#include "core/operations/SetLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/KivoraError.h"
#include "core/io/Folder.h"
#include "core/io/SetCommit.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {
// A holder that removed the file between our open and our flock makes us try again.
constexpr int kAttempts = 8;

bool SameInode(int fd, const std::filesystem::path& path) {
  struct stat open {
  }, named{};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}
}  // namespace

SetLock::SetLock(const std::filesystem::path& folder, std::string_view setName, Mode mode)
    : path_((folder.empty() ? std::filesystem::path(".") : folder) /
            ("." + std::string(setName) + ".kvlock")) {
  const int how = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return;  // no lock file can be made here: nothing to guard
    if (::flock(fd, how) != 0) {
      const int err = errno;
      ::close(fd);
      if (err == EWOULDBLOCK) throw KivoraError(msg::kSetInUse163, path_.string());
      return;  // a file system without locks
    }
    if (SameInode(fd, path_)) {
      fd_ = fd;
      break;
    }
    ::close(fd);
  }
  if (fd_ < 0 || mode != Mode::Exclusive) return;
  // A writer that holds the set alone finishes or undoes the commit a killed one left.
  try {
    const std::filesystem::path place = folder.empty() ? std::filesystem::path(".") : folder;
    RecoverSet(Folder(place, msg::kOpenFileFailed, place), setName);
  } catch (...) {
    ::close(std::exchange(fd_, -1));
    throw;
  }
}

SetLock::SetLock(SetLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

SetLock::~SetLock() {
  if (fd_ < 0) return;
  // Only a holder that may hold it alone removes the file: no other holder is left.
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace kivora
