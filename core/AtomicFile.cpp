// AtomicFile: the file is written without a name (O_TMPFILE) where the file system
// supports it, else under a short hidden name. Commit() links an unnamed file straight
// to a target that does not exist yet; otherwise it gives the file a short hidden name
// and renames that over the target, so the target is replaced in one step.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "core/FileIo.h"
#include "core/Messages.h"

namespace kivora {
namespace {

constexpr int kNameAttempts = 100;

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  const std::filesystem::path folder = target.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// ".kv" and eight hex digits: short enough for any folder whatever the target's name.
std::filesystem::path HiddenName(const std::filesystem::path& folder, std::mt19937& random) {
  char name[16];
  std::snprintf(name, sizeof name, ".kv%08x", static_cast<unsigned>(random()));
  return folder / name;
}

// Errors by which a file system or kernel says it has no unnamed files.
bool UnnamedUnsupported(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL; }

// Creates a file of a new hidden name in folder; returns its descriptor or -1 (errno).
int CreateHidden(const std::filesystem::path& folder, std::mt19937& random,
                 std::filesystem::path& name) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    name = HiddenName(folder, random);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives the unnamed file open as fd a new hidden name in folder; returns it, or an
// empty path (errno).
std::filesystem::path LinkHidden(int fd, const std::filesystem::path& folder,
                                 std::mt19937& random) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::filesystem::path name = HiddenName(folder, random);
    int rc = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc, linking the descriptor itself needs a privilege.
    if (rc != 0 && errno == ENOENT) rc = ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    if (rc == 0) return name;
    if (errno != EEXIST) break;
  }
  return {};
}

// A replaced file keeps its permissions and, where the user may, its owner and group.
void TakeOwnerAndMode(int fd, const std::filesystem::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return;
  struct stat now {};
  if (::fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid)) {
    // Refused for other users unless privileged; the mode is kept all the same.
    [[maybe_unused]] const int chowned = ::fchown(fd, old.st_uid, old.st_gid);
  }
  // After fchown, which may clear the set-id bits.
  [[maybe_unused]] const int chmodded = ::fchmod(fd, old.st_mode & 07777);
}

[[noreturn]] void ThrowCreateFailed(const std::filesystem::path& target, int err) {
  throw KivoraError(DescribeIoError(target, msg::kCreateFileFailed, err));
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  const std::filesystem::path folder = FolderOf(target_);
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0 && UnnamedUnsupported(errno)) {
    std::mt19937 random(std::random_device{}());
    fd = CreateHidden(folder, random, temp_);
  }
  if (fd < 0) ThrowCreateFailed(target_, errno);
  // A named file takes a replaced file's mode now, so it is never more open than that
  // file; an unnamed one can wait until it turns out to replace one.
  if (!temp_.empty()) TakeOwnerAndMode(fd, target_);
  try {
    file_ = File::Adopt(fd, target_);
  } catch (const KivoraError&) {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    throw;
  }
}

AtomicFile::~AtomicFile() {
  if (committed_) return;
  try {
    file_.Close();
  } catch (const KivoraError&) {
  }
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

namespace {
// Gives the unnamed file open as fd the name target when no file has it yet: one call,
// and as atomic as a rename. False (errno) when it cannot, EEXIST when the name is taken.
bool LinkAsTarget(int fd, const std::filesystem::path& target) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return true;
  }
  if (errno != ENOENT) return false;
  return ::linkat(fd, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0;
}
}  // namespace

void AtomicFile::Commit(Durability durability) {
  const bool synced = durability == Durability::SyncNow;
  if (synced) file_.Sync();
  if (temp_.empty() && LinkAsTarget(file_.Descriptor(), target_)) {
    file_.Close();
    committed_ = true;
    return;
  }
  // The target is there (or cannot be linked to): a hidden name renamed over it.
  if (!synced) file_.Sync();
  if (temp_.empty()) {
    TakeOwnerAndMode(file_.Descriptor(), target_);
    std::mt19937 random(std::random_device{}());
    temp_ = LinkHidden(file_.Descriptor(), FolderOf(target_), random);
    if (temp_.empty()) ThrowCreateFailed(target_, errno);
  }
  file_.Close();
  // On failure the destructor removes temp_.
  if (::rename(temp_.c_str(), target_.c_str()) != 0) ThrowCreateFailed(target_, errno);
  committed_ = true;
}

void SyncFileSystem(const std::filesystem::path& folder) {
  const std::filesystem::path place = folder.empty() ? std::filesystem::path(".") : folder;
  const int fd = ::open(place.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw KivoraError(DescribeIoError(place, msg::kWriteFileFailed, errno));
  const int rc = ::syncfs(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw KivoraError(DescribeIoError(place, msg::kWriteFileFailed, err));
}

}  // namespace kivora
