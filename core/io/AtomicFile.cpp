// AtomicFile: the file is written without a name (O_TMPFILE) where the file system
// supports it, else under the target's temporary name (TemporaryNameFor). Commit() links
// an unnamed file straight to a target that does not exist yet; otherwise it gives the
// file the temporary name and renames that over the target, so the target is replaced
// in one step. The folder is synced once the file has taken its name.

#include "core/io/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "core/io/EntryNames.h"
#include "core/io/FileSystemCalls.h"
#include "core/io/OutputTarget.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// Errors by which a file system or kernel says it has no unnamed files.
bool UnnamedUnsupported(int err) { return err == EOPNOTSUPP || err == EISDIR || err == EINVAL; }

// Creates the file `name` in folder, in the place of one a killed write of the same
// target left; returns its descriptor or -1 (errno).
int CreateHidden(int folder, const std::string& name) {
  const int flags = O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;
  const int fd = sys::OpenAt(folder, name.c_str(), flags, 0666);
  if (fd >= 0 || errno != EEXIST) return fd;
  if (sys::UnlinkAt(folder, name.c_str(), 0) != 0 && errno != ENOENT) return -1;
  return sys::OpenAt(folder, name.c_str(), flags, 0666);
}

// Gives the unnamed file open as fd the name `name` in folder: by the descriptor itself
// where the system allows it (the cheapest: no path is looked up for the file), else
// through /proc (its fd folder open already, so only the number is looked up). False
// (errno) when it cannot, EEXIST when the name is taken.
bool LinkUnnamed(int fd, const Folder& folder, const std::string& name) {
  if (folder.LinksByDescriptor()) {
    if (sys::LinkAt(fd, "", folder.Descriptor(), name.c_str(), AT_EMPTY_PATH) == 0) return true;
    // ENOENT: the kernel lets only its opener with a privilege link the file so.
    if (errno != ENOENT) return false;
    folder.RefuseLinksByDescriptor();
  }
  const int descriptors = folder.OpenDescriptors();
  if (descriptors < 0) {
    errno = ENOENT;
    return false;
  }
  char number[16];
  std::snprintf(number, sizeof number, "%d", fd);
  return sys::LinkAt(descriptors, number, folder.Descriptor(), name.c_str(), AT_SYMLINK_FOLLOW) ==
         0;
}

// A replaced file keeps its permissions and, where the user may, its owner and group.
void TakeOwnerAndMode(int fd, int folder, const std::string& name) {
  struct stat old {};
  if (::fstatat(folder, name.c_str(), &old, 0) != 0 || !S_ISREG(old.st_mode)) return;
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

// Only what the replace policy (OutputTarget.h) allows is ever replaced: never a folder,
// a device or a pipe that happens to have the target's name, nor a link to one.
OutputKind CheckReplaceable(int folder, const std::string& name,
                            const std::filesystem::path& target) {
  const std::optional<OutputLookup> found = LookUpOutput(folder, name.c_str());
  if (!found) ThrowCreateFailed(target, errno);
  if (found->kind != OutputKind::NotAFile) return found->kind;
  if (found->folder) ThrowCreateFailed(target, EISDIR);
  throw KivoraError(msg::kNotReplaceable(target));
}

// Renames `from` to `to` in folder only when `to` is free; false (errno EEXIST) when taken.
bool RenameIfFree(int folder, const std::string& from, const std::string& to) {
  if (sys::RenameAt2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL) return false;
  // A file system without RENAME_NOREPLACE: looked up first, which is good enough here.
  struct stat st {};
  if (::fstatat(folder, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  return sys::RenameAt(folder, from.c_str(), folder, to.c_str()) == 0;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target, const Folder* folder, Placement placement,
                       const std::string& hiddenName)
    : folder_(folder), name_(NameText(target)) {
  if (!folder_) folder_ = &ownFolder_.emplace(FolderText(target), msg::kCreateFileFailed, target);
  const int dir = folder_->Descriptor();
  if (placement == Placement::InPlaceIfFree) {
    // EEXIST says the name is taken (a link of any kind included): then as Beside.
    const int fd = sys::OpenAt(dir, name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      inPlace_ = true;
      file_ = File::Adopt(fd, std::move(target));
      return;
    }
    if (errno != EEXIST) ThrowCreateFailed(target, errno);
  }
  hideAlways_ = placement == Placement::Hidden;
  // A file that waits under a hidden name whatever happens is created under it at once.
  const bool hiddenAtOnce = hideAlways_ && !hiddenName.empty();
  int fd = hiddenAtOnce ? -1 : sys::OpenAt(dir, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (hiddenAtOnce || (fd < 0 && UnnamedUnsupported(errno))) {
    temp_ = hiddenAtOnce ? hiddenName : TemporaryNameFor(name_);
    fd = CreateHidden(dir, temp_);
    // A named file takes a replaced file's mode now, so it is never more open than that
    // file; an unnamed one, or one under a set's hidden name, can wait until it turns
    // out to replace one.
    if (fd >= 0 && !hiddenAtOnce) TakeOwnerAndMode(fd, dir, name_);
  }
  if (fd < 0) ThrowCreateFailed(target, errno);
  // The file keeps the target's path for messages.
  file_ = File::Adopt(fd, std::move(target));
}

AtomicFile::~AtomicFile() {
  if (committed_) return;
  try {
    file_.Close();
  } catch (const KivoraError&) {
  }
  if (!temp_.empty()) sys::UnlinkAt(folder_->Descriptor(), temp_.c_str(), 0);
  // Created under its name, which was free: no one else's file is there.
  if (inPlace_) sys::UnlinkAt(folder_->Descriptor(), name_.c_str(), 0);
}

bool AtomicFile::NameOrHide(Durability durability, const std::string& hiddenName) {
  const int dir = folder_->Descriptor();
  if (durability == Durability::SyncNow) file_.Sync();
  if (inPlace_) return true;
  if (!hideAlways_) {
    // A name that is free is taken in one step, as atomic as a rename.
    const bool named = temp_.empty() ? LinkUnnamed(file_.Descriptor(), *folder_, name_)
                                     : RenameIfFree(dir, temp_, name_);
    if (named) return true;
    if (!temp_.empty() && errno != EEXIST) ThrowCreateFailed(file_.Path(), errno);
  }
  // The target is there (or cannot be linked to): the file waits under a hidden name.
  const OutputKind target = CheckReplaceable(dir, name_, file_.Path());
  if (hideAlways_ && !temp_.empty() && target != OutputKind::Missing)
    TakeOwnerAndMode(file_.Descriptor(), dir, name_);
  Hide(hiddenName.empty() ? TemporaryNameFor(name_) : hiddenName);
  return false;
}

void AtomicFile::Hide(const std::string& hidden) {
  if (temp_ == hidden) return;
  const int dir = folder_->Descriptor();
  if (inPlace_) {
    if (sys::RenameAt(dir, name_.c_str(), dir, hidden.c_str()) != 0)
      ThrowCreateFailed(file_.Path(), errno);
    inPlace_ = false;
  } else if (temp_.empty()) {
    TakeOwnerAndMode(file_.Descriptor(), dir, name_);
    if (sys::UnlinkAt(dir, hidden.c_str(), 0) != 0 && errno != ENOENT)
      ThrowCreateFailed(file_.Path(), errno);
    if (!LinkUnnamed(file_.Descriptor(), *folder_, hidden)) ThrowCreateFailed(file_.Path(), errno);
  } else if (sys::RenameAt(dir, temp_.c_str(), dir, hidden.c_str()) != 0) {
    ThrowCreateFailed(file_.Path(), errno);
  }
  temp_ = hidden;
}

void AtomicFile::Commit(Durability durability) {
  const bool named = NameOrHide(durability, {});
  // A file that replaces another reaches the disk before it takes that file's place.
  if (!named && durability != Durability::SyncNow) file_.Sync();
  file_.Close();
  // On failure the destructor removes temp_.
  const int dir = folder_->Descriptor();
  if (!named && sys::RenameAt(dir, temp_.c_str(), dir, name_.c_str()) != 0)
    ThrowCreateFailed(file_.Path(), errno);
  committed_ = true;
  // The name reaches the disk with the file: a crash never leaves the old one.
  SyncFolder(*folder_);
}

std::filesystem::path AtomicFile::CommitBeside(Durability durability,
                                               const std::string& hiddenName) {
  const bool named = NameOrHide(durability, hiddenName);
  file_.Close();
  committed_ = true;
  if (!named) return folder_->Path() / temp_;
  // A name given with SyncLater reaches the disk with the SyncFileSystem its caller makes
  // before the files count, as the file's bytes do.
  if (durability == Durability::SyncNow) SyncFolder(*folder_);
  return {};
}

void AtomicFile::CommitHidden(const std::string& hiddenName) {
  file_.Sync();
  Hide(hiddenName);
  file_.Close();
  committed_ = true;
}

void ReplaceFile(const std::filesystem::path& hidden, const std::filesystem::path& target) {
  const Folder folder(FolderText(target), msg::kCreateFileFailed, target);
  CheckReplaceable(folder.Descriptor(), NameText(target), target);
  if (sys::RenameAt(folder.Descriptor(), NameText(hidden).c_str(), folder.Descriptor(),
                    NameText(target).c_str()) != 0) {
    ThrowCreateFailed(target, errno);
  }
}

void SyncFileSystem(const std::filesystem::path& folder) {
  const std::filesystem::path place = folder.empty() ? std::filesystem::path(".") : folder;
  const int fd = ::open(place.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw KivoraError(DescribeIoError(place, msg::kWriteFileFailed, errno));
  const int rc = sys::Syncfs(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0) throw KivoraError(DescribeIoError(place, msg::kWriteFileFailed, err));
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> data) {
  AtomicFile out(path);
  out.Write(data);
  out.Commit();
}

}  // namespace kivora
