#include "core/set/JournalKey.h"

#include <fcntl.h>
#include <pwd.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

class KeyDescriptor {
 public:
  explicit KeyDescriptor(int fd) : fd_(fd) {}
  ~KeyDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  KeyDescriptor(const KeyDescriptor&) = delete;
  KeyDescriptor& operator=(const KeyDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void ThrowKeyFailed(const std::filesystem::path& path, int err) {
  throw KivoraError(DescribeIoError(path, msg::kCreateFileFailed, err));
}

[[noreturn]] void ThrowKeyRefused(const std::filesystem::path& path) {
  throw KivoraError(msg::kJournalKeyRefused(path.string()));
}

// Makes a folder of the user's own, its parents too. The key's own folder must be a folder
// (not a link to one) of this user that nobody else may write in: whoever can rename files
// there could put a key of their choosing in place.
void MakeFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) ThrowKeyFailed(folder, ec.value());
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) ThrowKeyFailed(folder, errno);
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0)
    throw KivoraError(msg::kJournalKeyFolderRefused(folder.string()));
  if ((st.st_mode & 077) != 0) ::chmod(folder.c_str(), 0700);
}

bool ReadKey(const std::filesystem::path& path, std::span<std::uint8_t> out) {
  KeyDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) return false;
    if (errno == ELOOP) ThrowKeyRefused(path);
    ThrowKeyFailed(path, errno);
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) ThrowKeyFailed(path, errno);
  if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0 ||
      static_cast<size_t>(st.st_size) != out.size()) {
    ThrowKeyRefused(path);
  }
  size_t have = 0;
  while (have < out.size()) {
    const ssize_t n = ::read(fd.Get(), out.data() + have, out.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ThrowKeyFailed(path, n < 0 ? errno : EIO);
    have += static_cast<size_t>(n);
  }
  return true;
}

// Writes a new key under a temporary name and links it to `path`; false when another
// program linked its key there first.
bool MakeKey(const std::filesystem::path& path, std::span<const std::uint8_t> key) {
  const std::filesystem::path temp =
      path.parent_path() / ("." + path.filename().string() + "." + std::to_string(::getpid()));
  ::unlink(temp.c_str());
  {
    KeyDescriptor fd(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Get() < 0) ThrowKeyFailed(temp, errno);
    if (::write(fd.Get(), key.data(), key.size()) != static_cast<ssize_t>(key.size()) ||
        ::fsync(fd.Get()) != 0) {
      const int err = errno;
      ::unlink(temp.c_str());
      ThrowKeyFailed(temp, err);
    }
  }
  const int linked = ::link(temp.c_str(), path.c_str());
  const int err = errno;
  ::unlink(temp.c_str());
  if (linked == 0) return true;
  if (err == EEXIST) return false;
  ThrowKeyFailed(path, err);
}

}  // namespace

std::filesystem::path JournalKeyPath() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::filesystem::path base;
  if (state && state[0] == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
      const passwd* user = ::getpwuid(::geteuid());
      home = user && user->pw_dir ? user->pw_dir : "/";
    }
    base = std::filesystem::path(home) / ".local" / "state";
  }
  return base / "kivora" / "commit.key";
}

JournalKey JournalKey::OfUser() {
  const std::filesystem::path path = JournalKeyPath();
  MakeFolders(path.parent_path());
  return At(path);
}

JournalKey JournalKey::At(const std::filesystem::path& path) {
  if (sodium_init() < 0) throw KivoraError(msg::kCryptoLibraryFailed294);
  JournalKey key;
  if (ReadKey(path, key.bytes_)) return key;
  randombytes_buf(key.bytes_.data(), key.bytes_.size());
  if (MakeKey(path, key.bytes_)) return key;
  if (!ReadKey(path, key.bytes_)) ThrowKeyFailed(path, ENOENT);
  return key;
}

}  // namespace kivora
