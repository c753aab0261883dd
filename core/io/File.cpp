#include "core/io/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "core/io/FileSystemCalls.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {

MessageText DescribeIoError(const std::filesystem::path& path, const IoFailureText& what, int err) {
  return what(path, std::strerror(err));
}

namespace {
// Opens an existing file for reading (and writing with `write`) only when it is a
// regular file. The type is taken from the opened descriptor, so nothing can be
// swapped in after a check by name; O_NONBLOCK keeps the open of a pipe without a
// writer from waiting for ever. Returns -1 with errno set, errno 0 meaning a file of
// another type (a device, a pipe, a socket).
int OpenRegular(const std::filesystem::path& path, bool write) {
  const int fd =
      sys::Open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (!S_ISREG(st.st_mode)) {
    err = S_ISDIR(st.st_mode) ? EISDIR : 0;
  } else {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) return fd;
    err = errno;
  }
  ::close(fd);
  errno = err;
  return -1;
}

enum class Opening { Read, ReadWrite, Create, CreateNew };

// Opens path; on failure throws `what` for it, or returns -1 when raise is false.
int OpenAs(const std::filesystem::path& path, Opening how, const IoFailureText& what, bool raise) {
  int fd = -1;
  switch (how) {
    case Opening::Read:
    case Opening::ReadWrite:
      fd = OpenRegular(path, how == Opening::ReadWrite);
      break;
    case Opening::Create:
    case Opening::CreateNew:
      fd = sys::Open(path.c_str(),
                     O_RDWR | O_CREAT | O_CLOEXEC | (how == Opening::Create ? O_TRUNC : O_EXCL),
                     0666);
      break;
  }
  if (fd < 0 && raise) {
    if (errno == 0) throw KivoraError(msg::kNotRegularFile(path));
    throw KivoraError(DescribeIoError(path, what, errno));
  }
  return fd;
}
}  // namespace

File File::OpenRead(const std::filesystem::path& path) {
  return File(OpenAs(path, Opening::Read, msg::kOpenFileFailed, true), path);
}
File File::TryOpenRead(const std::filesystem::path& path) {
  const int fd = OpenAs(path, Opening::Read, msg::kOpenFileFailed, false);
  return fd < 0 ? File() : File(fd, path);
}
File File::OpenReadWrite(const std::filesystem::path& path) {
  return File(OpenAs(path, Opening::ReadWrite, msg::kOpenFileFailed, true), path);
}
File File::Create(const std::filesystem::path& path) {
  return File(OpenAs(path, Opening::Create, msg::kCreateFileFailed, true), path);
}
File File::CreateNew(const std::filesystem::path& path) {
  const int fd = OpenAs(path, Opening::CreateNew, msg::kCreateFileFailed, false);
  return fd < 0 ? File() : File(fd, path);
}
File File::Adopt(int descriptor, std::filesystem::path path) {
  return File(descriptor, std::move(path));
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {
FileIdentity FromStat(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_nlink)};
}
}  // namespace

FileIdentity IdentityOf(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? FromStat(st) : FileIdentity{};
}

FileIdentity File::Identity() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? FromStat(st) : FileIdentity{};
}

FileStamp File::Stamp() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) Fail(msg::kReadFileFailed);
  const auto ns = [](const timespec& t) {
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
  };
  return {st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}

void File::Fail(const IoFailureText& what) const {
  throw KivoraError(DescribeIoError(path_, what, errno));
}

size_t File::Read(std::span<std::uint8_t> buffer) {
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::read(fd_, buffer.data() + done, buffer.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(msg::kReadFileFailed);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void File::ReadExact(std::span<std::uint8_t> buffer) {
  if (Read(buffer) != buffer.size()) {
    throw KivoraError(msg::kFileShorterThanExpected(path_));
  }
}

size_t File::ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const {
  size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::pread(fd_, buffer.data() + done, buffer.size() - done,
                              static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(msg::kReadFileFailed);
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void File::ReadExactAt(std::int64_t offset, std::span<std::uint8_t> buffer) {
  if (ReadAt(offset, buffer) != buffer.size()) {
    throw KivoraError(msg::kFileShorterThanExpected(path_));
  }
}

void File::Write(std::span<const std::uint8_t> data, std::int64_t* written) {
  while (!data.empty()) {
    const ssize_t n = sys::Write(fd_, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      Fail(msg::kWriteFileFailed);
    }
    if (written) *written += n;
    data = data.subspan(static_cast<size_t>(n));
  }
}

void File::WriteGathered(std::span<const std::span<const std::uint8_t>> pieces) {
  constexpr size_t kMost = 64;  // well below any system's IOV_MAX
  iovec vector[kMost];
  while (!pieces.empty()) {
    const size_t count = std::min(pieces.size(), kMost);
    for (size_t i = 0; i < count; ++i) {
      vector[i].iov_base = const_cast<std::uint8_t*>(pieces[i].data());
      vector[i].iov_len = pieces[i].size();
    }
    const ssize_t n = sys::WriteVector(fd_, vector, static_cast<int>(count));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(msg::kWriteFileFailed);
    // Whole pieces written are done; a piece cut short is finished on its own.
    auto left = static_cast<size_t>(n);
    size_t i = 0;
    for (; i < count && left >= pieces[i].size(); ++i) left -= pieces[i].size();
    if (i < count) {
      if (n == 0 && pieces[i].size() != 0) {
        errno = EIO;
        Fail(msg::kWriteFileFailed);
      }
      Write(pieces[i].subspan(left));
      ++i;
    }
    pieces = pieces.subspan(i);
  }
}

void File::WriteAt(std::int64_t offset, std::span<const std::uint8_t> data) {
  while (!data.empty()) {
    const ssize_t n = sys::WriteAt(fd_, data.data(), data.size(), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      Fail(msg::kWriteFileFailed);
    }
    data = data.subspan(static_cast<size_t>(n));
    offset += n;
  }
}

// Offsets are 64-bit whatever the platform's long: parts of sources of 2 GiB and more
// are read and written far beyond 2^31.
static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit (_FILE_OFFSET_BITS=64)");

void File::Seek(std::int64_t offset, int whence) {
  if (::lseek(fd_, static_cast<off_t>(offset), whence) < 0) Fail(msg::kSeekFileFailed);
}

std::int64_t File::Tell() {
  const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  if (pos < 0) Fail(msg::kTellFileFailed);
  return pos;
}

std::int64_t File::Size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) Fail(msg::kTellFileFailed);
  return st.st_size;
}

void File::Truncate(std::int64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) Fail(msg::kWriteFileFailed);
  Seek(size);
}

void File::Sync() {
  if (sys::Fsync(fd_) != 0) Fail(msg::kWriteFileFailed);
}

void File::Close() {
  if (fd_ < 0) return;
  // A failed close leaves the descriptor closed all the same; never retried.
  if (::close(std::exchange(fd_, -1)) != 0 && errno != EINTR) Fail(msg::kWriteFileFailed);
}

std::string_view FolderView(const std::filesystem::path& file) {
  const std::string& text = file.native();
  const size_t slash = text.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? std::string_view("/") : std::string_view(text).substr(0, slash);
}

std::string FolderText(const std::filesystem::path& file) { return std::string(FolderView(file)); }

std::string NameText(const std::filesystem::path& file) {
  const std::string& text = file.native();
  const size_t slash = text.rfind('/');
  return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  File f = File::OpenRead(path);
  const std::int64_t size = f.Size();
  std::vector<std::uint8_t> data(static_cast<size_t>(size));
  f.ReadExact(data);
  return data;
}

}  // namespace kivora
