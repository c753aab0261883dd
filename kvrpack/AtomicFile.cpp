#include "AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace kvrpack {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::string& what) {
  throw std::system_error(error, std::generic_category(), what);
}

// A temporary file that is deleted unless it was renamed into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::filesystem::path& target) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = target;
      path_ += ".tmp" + std::to_string(random() % 1000000);
      // The mode is subject to the umask, like any file the user creates.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST) ThrowErrno(errno, path_.string());
    }
    ThrowErrno(EEXIST, path_.string());
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  void Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) ThrowErrno(errno, path_.string());
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
  }

  void RenameTo(const std::filesystem::path& target) {
    if (::fsync(fd_) != 0) ThrowErrno(errno, path_.string());
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) ThrowErrno(errno, path_.string());
    if (::rename(path_.c_str(), target.c_str()) != 0) ThrowErrno(errno, target.string());
    renamed_ = true;
  }

 private:
  std::filesystem::path path_;
  int fd_ = -1;
  bool renamed_ = false;
};

}  // namespace

void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes) {
  TemporaryFile file(target);
  file.Write(bytes);
  file.RenameTo(target);
}

}  // namespace kvrpack
