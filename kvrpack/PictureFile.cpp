#include "kvrpack/PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "kvrpack/BuildError.h"
#include "kvrpack/BuilderMessages.h"

namespace kvrpack {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void ThrowUnreadable(const std::string& path, int error) {
  throw BuildError(messages::PictureUnreadable(path, std::generic_category().message(error)));
}

}  // namespace

Bytes ReadPictureFile(const std::string& path, std::size_t maxSize) {
  // Non-blocking, so that a named pipe in the list cannot hang the build.
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) ThrowUnreadable(path, errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) ThrowUnreadable(path, errno);
  if (!S_ISREG(info.st_mode)) throw BuildError(messages::PictureNotAFile(path));
  if (info.st_size == 0) throw BuildError(messages::PictureEmpty(path));
  if (static_cast<std::uint64_t>(info.st_size) > maxSize) {
    throw BuildError(messages::PicturesTooLarge());
  }

  Bytes bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ThrowUnreadable(path, errno);
    if (got == 0) break;  // the file shrank while it was read
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  if (bytes.empty()) throw BuildError(messages::PictureEmpty(path));
  return bytes;
}

}  // namespace kvrpack
