#include "core/set/SetCommit.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "core/io/FileSystemCalls.h"
#include "core/set/CommitJournal.h"
#include "core/set/CommitNames.h"
#include "core/set/JournalKey.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// A descriptor closed when it goes out of scope.
class CommitDescriptor {
 public:
  explicit CommitDescriptor(int fd) : fd_(fd) {}
  ~CommitDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  CommitDescriptor(const CommitDescriptor&) = delete;
  CommitDescriptor& operator=(const CommitDescriptor&) = delete;
  int Get() const { return fd_; }
  // Closes before the end of scope; false (errno) when the system reports an error of
  // writing.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

[[noreturn]] void ThrowCommitFailed(const Folder& folder, std::string_view name,
                                    const IoFailureText& what, int err) {
  throw KivoraError(DescribeIoError(folder.Path() / std::string(name), what, err));
}

// What has the name: nothing, a regular file of a size, or something else.
struct EntryKind {
  bool exists = false;
  bool regular = false;
  bool replaceable = false;  // a regular file or a symbolic link
  std::uint64_t size = 0;
};

[[noreturn]] void ThrowNotReplaceable(const Folder& folder, std::string_view name) {
  throw KivoraError(msg::kNotReplaceable(folder.Path() / std::string(name)));
}

EntryKind KindOfEntry(const Folder& folder, const std::string& name) {
  struct stat st {};
  if (::fstatat(folder.Descriptor(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return {};
    ThrowCommitFailed(folder, name, msg::kOpenFileFailed, errno);
  }
  return {true, S_ISREG(st.st_mode), S_ISREG(st.st_mode) || S_ISLNK(st.st_mode),
          static_cast<std::uint64_t>(st.st_size)};
}

void CheckCommitReplaceable(const Folder& folder, const std::string& name) {
  const EntryKind kind = KindOfEntry(folder, name);
  if (!kind.exists || kind.replaceable) return;
  ThrowNotReplaceable(folder, name);
}

void SyncHiddenFile(const Folder& folder, const std::string& hidden) {
  CommitDescriptor fd(
      ::openat(folder.Descriptor(), hidden.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0 || sys::Fsync(fd.Get()) != 0)
    ThrowCommitFailed(folder, hidden, msg::kWriteFileFailed, errno);
}

void SyncFileSystemOf(const Folder& folder) {
  CommitDescriptor fd(::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0 || sys::Syncfs(fd.Get()) != 0)
    ThrowCommitFailed(folder, ".", msg::kWriteFileFailed, errno);
}

// Writes the journal under its temporary name, syncs it and names it.
void WriteCommitJournal(const Folder& folder, std::string_view setName,
                        std::span<const std::uint8_t> bytes) {
  const std::string temp = CommitJournalTempName(setName);
  CommitDescriptor fd(sys::OpenAt(folder.Descriptor(), temp.c_str(),
                                  O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (fd.Get() < 0) ThrowCommitFailed(folder, temp, msg::kCreateFileFailed, errno);
  while (!bytes.empty()) {
    const ssize_t n = sys::Write(fd.Get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ThrowCommitFailed(folder, temp, msg::kWriteFileFailed, n < 0 ? errno : EIO);
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  if (sys::Fsync(fd.Get()) != 0 || !fd.Close())
    ThrowCommitFailed(folder, temp, msg::kWriteFileFailed, errno);
  const std::string journal = CommitJournalName(setName);
  if (sys::RenameAt(folder.Descriptor(), temp.c_str(), folder.Descriptor(), journal.c_str()) != 0)
    ThrowCommitFailed(folder, journal, msg::kCreateFileFailed, errno);
}

// Steps 2 to 4 of a commit; a hidden file already gone took its name before. Returns
// how many files were renamed and removed.
std::pair<size_t, size_t> FinishCommit(const Folder& folder, const CommitJournal& journal,
                                       const std::string& journalName) {
  const int dir = folder.Descriptor();
  size_t renamed = 0;
  for (const CommitRename& r : journal.renames) {
    if (sys::RenameAt(dir, r.hidden.c_str(), dir, r.target.c_str()) == 0) {
      ++renamed;
    } else if (errno != ENOENT) {
      ThrowCommitFailed(folder, r.target, msg::kCreateFileFailed, errno);
    }
  }
  SyncFolder(folder);
  size_t removed = 0;
  for (const std::string& name : journal.removals) {
    if (sys::UnlinkAt(dir, name.c_str(), 0) == 0) {
      ++removed;
    } else if (errno != ENOENT) {
      ThrowCommitFailed(folder, name, msg::kWriteFileFailed, errno);
    }
  }
  if (removed != 0) SyncFolder(folder);
  if (sys::UnlinkAt(dir, journalName.c_str(), 0) != 0 && errno != ENOENT)
    ThrowCommitFailed(folder, journalName, msg::kWriteFileFailed, errno);
  SyncFolder(folder);
  return {renamed, removed};
}

// The journal's bytes; nothing when there is no journal. A journal that is not a
// regular file or is too large reads as no bytes, which no decoder takes.
std::optional<std::vector<std::uint8_t>> ReadCommitJournal(const Folder& folder,
                                                           const std::string& name) {
  CommitDescriptor fd(
      ::openat(folder.Descriptor(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    if (errno == ELOOP) return std::vector<std::uint8_t>();
    ThrowCommitFailed(folder, name, msg::kOpenFileFailed, errno);
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) ThrowCommitFailed(folder, name, msg::kReadFileFailed, errno);
  if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > kMaxCommitJournalBytes)
    return std::vector<std::uint8_t>();
  std::vector<std::uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t have = 0;
  while (have < bytes.size()) {
    const ssize_t n =
        ::pread(fd.Get(), bytes.data() + have, bytes.size() - have, static_cast<off_t>(have));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowCommitFailed(folder, name, msg::kReadFileFailed, errno);
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  bytes.resize(have);
  return bytes;
}

// Every new file is whole: under its hidden name with its size, or, its hidden name
// gone, under its target's name with that size.
bool NewFilesComplete(const Folder& folder, const CommitJournal& journal) {
  for (const CommitRename& r : journal.renames) {
    EntryKind kind = KindOfEntry(folder, r.hidden);
    if (!kind.exists) kind = KindOfEntry(folder, r.target);
    if (!kind.regular || kind.size != r.size) return false;
  }
  return true;
}

struct DirectoryCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// Removes the set's hidden new files and the journal's temporary; returns how many.
size_t RemoveSetLeftovers(const Folder& folder, std::string_view setName) {
  const int fd = ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::unique_ptr<DIR, DirectoryCloser> listing(fd < 0 ? nullptr : ::fdopendir(fd));
  if (!listing) {
    const int err = errno;
    if (fd >= 0) ::close(fd);
    ThrowCommitFailed(folder, ".", msg::kReadFileFailed, err);
  }
  const std::string temp = CommitJournalTempName(setName);
  std::vector<std::string> leftovers;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name == temp || IsHiddenNameOf(setName, name)) leftovers.emplace_back(name);
  }
  listing.reset();
  for (const std::string& name : leftovers) {
    if (sys::UnlinkAt(folder.Descriptor(), name.c_str(), 0) != 0 && errno != ENOENT)
      ThrowCommitFailed(folder, name, msg::kWriteFileFailed, errno);
  }
  if (!leftovers.empty()) SyncFolder(folder);
  return leftovers.size();
}

}  // namespace

void CommitSet(const Folder& folder, std::string_view setName, std::span<const NewSetFile> files,
               std::span<const std::string> removals, std::span<const SetMembers> members,
               HiddenFileSync sync) {
  CommitJournal journal;
  journal.removals.assign(removals.begin(), removals.end());
  journal.members.assign(members.begin(), members.end());
  try {
    if (!IsPlainEntryName(SetFileTag(setName))) ThrowNotReplaceable(folder, setName);
    for (const NewSetFile& f : files) {
      if (!IsPlainEntryName(f.target)) ThrowNotReplaceable(folder, f.target);
      CommitRename& r = journal.renames.emplace_back();
      r.hidden = HiddenNameFor(setName, f.target);
      r.target = f.target;
      r.crc = f.crc;
      const EntryKind hidden = KindOfEntry(folder, r.hidden);
      if (!hidden.regular) ThrowCommitFailed(folder, r.hidden, msg::kOpenFileFailed, ENOENT);
      r.size = hidden.size;
      CheckCommitReplaceable(folder, r.target);
      if (sync == HiddenFileSync::EachFile) SyncHiddenFile(folder, r.hidden);
    }
    for (const std::string& name : journal.removals) {
      if (!IsPlainEntryName(name)) ThrowNotReplaceable(folder, name);
      CheckCommitReplaceable(folder, name);
    }
    if (!JournalFitsSet(journal, setName)) ThrowNotReplaceable(folder, setName);
    const JournalKey key = JournalKey::OfUser();
    if (sync == HiddenFileSync::FileSystem) SyncFileSystemOf(folder);
    WriteCommitJournal(folder, setName, EncodeCommitJournal(journal, key.Bytes()));
  } catch (const KivoraError&) {
    // Nothing took a new name: the old set stays, and nothing hidden is left.
    for (const CommitRename& r : journal.renames)
      ::unlinkat(folder.Descriptor(), r.hidden.c_str(), 0);
    ::unlinkat(folder.Descriptor(), CommitJournalTempName(setName).c_str(), 0);
    throw;
  }
  // From here the journal names the hidden files: they stay for FinishInterruptedCommit on failure.
  SyncFolder(folder);
  FinishCommit(folder, journal, CommitJournalName(setName));
}

void BeginCreating(const Folder& folder, std::string_view setName,
                   std::span<const std::string> created, std::span<const SetMembers> members) {
  CommitJournal intent;
  intent.created.assign(created.begin(), created.end());
  intent.members.assign(members.begin(), members.end());
  if (intent.created.empty()) return;
  if (!JournalFitsSet(intent, setName)) ThrowNotReplaceable(folder, setName);
  WriteCommitJournal(folder, setName, EncodeCommitJournal(intent, JournalKey::OfUser().Bytes()));
  SyncFolder(folder);
}

void KeepCreated(const Folder& folder, std::string_view setName) {
  const std::string journalName = CommitJournalName(setName);
  if (sys::UnlinkAt(folder.Descriptor(), journalName.c_str(), 0) != 0) {
    if (errno == ENOENT) return;
    ThrowCommitFailed(folder, journalName, msg::kWriteFileFailed, errno);
  }
  SyncFolder(folder);
}

std::optional<CommitJournal> PendingCommit(const Folder& folder, std::string_view setName) {
  const auto bytes = ReadCommitJournal(folder, CommitJournalName(setName));
  if (!bytes) return std::nullopt;
  std::optional<CommitJournal> journal = DecodeCommitJournal(*bytes, JournalKey::OfUser().Bytes());
  if (!journal || !JournalFitsSet(*journal, setName)) return std::nullopt;
  return journal;
}

InterruptedCommit FinishInterruptedCommit(const Folder& folder, std::string_view setName) {
  InterruptedCommit report;
  const std::string journalName = CommitJournalName(setName);
  if (const auto bytes = ReadCommitJournal(folder, journalName)) {
    // A journal is obeyed only when this user's key proves that this program wrote it,
    // for this set; any other is left as it is, and so is every file.
    std::optional<CommitJournal> journal =
        DecodeCommitJournal(*bytes, JournalKey::OfUser().Bytes());
    if (!journal || !JournalFitsSet(*journal, setName))
      throw KivoraError(msg::kUntrustedJournal((folder.Path() / journalName).string()));
    if (!journal->created.empty()) {
      // An intent whose commit never came: what it created goes, then the intent.
      for (const std::string& name : journal->created) {
        if (sys::UnlinkAt(folder.Descriptor(), name.c_str(), 0) == 0) {
          ++report.removed;
        } else if (errno != ENOENT) {
          ThrowCommitFailed(folder, name, msg::kWriteFileFailed, errno);
        }
      }
      SyncFolder(folder);
      KeepCreated(folder, setName);
      report.outcome = InterruptedCommit::Outcome::RolledBack;
    } else if (NewFilesComplete(folder, *journal)) {
      std::tie(report.renamed, report.removed) = FinishCommit(folder, *journal, journalName);
      report.outcome = InterruptedCommit::Outcome::RolledForward;
    } else {
      // A new file is missing or short: the journal goes first, since once a hidden file
      // is removed no later recovery may take its target for a renamed file.
      if (sys::UnlinkAt(folder.Descriptor(), journalName.c_str(), 0) != 0 && errno != ENOENT)
        ThrowCommitFailed(folder, journalName, msg::kWriteFileFailed, errno);
      SyncFolder(folder);
      report.outcome = InterruptedCommit::Outcome::RolledBack;
    }
  }
  report.leftovers = RemoveSetLeftovers(folder, setName);
  return report;
}

}  // namespace kivora
