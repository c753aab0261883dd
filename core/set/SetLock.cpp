#include "core/set/SetLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "core/KivoraError.h"
#include "core/io/Folder.h"
#include "core/set/CommitNames.h"
#include "core/set/SetCommit.h"
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

// The user's own folder for lock files: /tmp/kivora-UID, whatever the environment says,
// so that a desktop session, cron and ssh meet one lock for one set. Empty when it cannot
// be made, or is not a folder of this user's that only this user may enter (another user
// could otherwise hold or remove its locks).
std::filesystem::path LockFolder() {
  const std::filesystem::path folder =
      std::filesystem::path("/tmp") / ("kivora-" + std::to_string(::getuid()));
  ::mkdir(folder.c_str(), 0700);
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0) {
    return {};
  }
  return folder;
}

// Where set `setName` of `folder` is locked: a file in the user's lock folder named by
// the folder's device and inode, so that every spelling of the folder meets the same
// lock and the set's folder itself is never written; beside the set when there is no
// lock folder.
// The set's folder: the current one when none is named.
std::filesystem::path PlaceOf(const std::filesystem::path& folder) {
  return folder.empty() ? std::filesystem::path(".") : folder;
}

std::filesystem::path LockPath(const std::filesystem::path& place, std::string_view setName) {
  struct stat info {};
  const std::filesystem::path locks = LockFolder();
  if (locks.empty() || ::stat(place.c_str(), &info) != 0) {
    return place / ("." + std::string(setName) + ".kvlock");
  }
  char id[64];
  std::snprintf(id, sizeof id, "%llx-%llx-", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  return locks / (id + SetFileTag(setName) + ".kvlock");
}
}  // namespace

SetLock::SetLock(const std::filesystem::path& folder, std::string_view setName, Mode mode)
    : path_(LockPath(PlaceOf(folder), setName)) {
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
    finished_ = FinishInterruptedCommit(
        Folder(PlaceOf(folder), msg::kOpenFileFailed, PlaceOf(folder)), setName);
  } catch (...) {
    ::close(std::exchange(fd_, -1));
    throw;
  }
}

SetLock::SetLock(SetLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      finished_(other.finished_),
      path_(std::move(other.path_)) {}

SetLock::~SetLock() {
  if (fd_ < 0) return;
  // Only a holder that may hold it alone removes the file: no other holder is left.
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) ::unlink(path_.c_str());
  ::close(fd_);
}

}  // namespace kivora
