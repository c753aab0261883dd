#include "core/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/Format.h"
#include "core/Messages.h"

namespace kivora {

std::string DescribeIoError(const std::filesystem::path& path, std::string_view what, int err) {
  return Format(what, path.c_str(), std::strerror(err));
}

namespace {
// Opens an existing file for reading (and writing with `write`) only when it is a
// regular file. The type is taken from the opened descriptor, so nothing can be
// swapped in after a check by name; O_NONBLOCK keeps the open of a pipe without a
// writer from waiting for ever. Returns null with errno set, errno 0 meaning a file
// of another type (a device, a pipe, a socket).
std::FILE* OpenRegular(const std::filesystem::path& path, bool write) {
  const int fd =
      ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (!S_ISREG(st.st_mode)) {
    err = S_ISDIR(st.st_mode) ? EISDIR : 0;
  } else {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
      if (std::FILE* f = ::fdopen(fd, write ? "r+b" : "rb")) return f;
    }
    err = errno;
  }
  ::close(fd);
  errno = err;
  return nullptr;
}

File OpenWith(const std::filesystem::path& path, const char* mode, std::string_view what,
              bool raise, auto make) {
  std::FILE* f = mode[0] == 'r' ? OpenRegular(path, std::strchr(mode, '+') != nullptr)
                                : std::fopen(path.c_str(), mode);
  if (!f) {
    const int err = errno;
    if (!raise) return File();
    if (err == 0) throw KivoraError(Format(msg::kNotRegularFile, path.c_str()));
    throw KivoraError(DescribeIoError(path, what, err));
  }
  // Reads and writes here are large or few: stdio's buffer would only add a copy.
  std::setvbuf(f, nullptr, _IONBF, 0);
  return make(f);
}
}  // namespace

File File::OpenRead(const std::filesystem::path& path) {
  return OpenWith(path, "rb", msg::kOpenFileFailed, true,
                  [&](std::FILE* f) { return File(f, path); });
}
File File::TryOpenRead(const std::filesystem::path& path) {
  return OpenWith(path, "rb", msg::kOpenFileFailed, false,
                  [&](std::FILE* f) { return File(f, path); });
}
File File::OpenReadWrite(const std::filesystem::path& path) {
  return OpenWith(path, "r+b", msg::kOpenFileFailed, true,
                  [&](std::FILE* f) { return File(f, path); });
}
File File::Create(const std::filesystem::path& path) {
  return OpenWith(path, "wb", msg::kCreateFileFailed, true,
                  [&](std::FILE* f) { return File(f, path); });
}

bool File::IsSameFile(const std::filesystem::path& path) const {
  struct stat mine {
  }, other{};
  return ::fstat(::fileno(handle_.get()), &mine) == 0 && ::stat(path.c_str(), &other) == 0 &&
         mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
}

void File::Fail(std::string_view what) const {
  throw KivoraError(DescribeIoError(path_, what, errno));
}

size_t File::Read(std::span<std::uint8_t> buffer) {
  if (buffer.empty()) return 0;
  const size_t n = std::fread(buffer.data(), 1, buffer.size(), handle_.get());
  if (n < buffer.size() && std::ferror(handle_.get())) Fail(msg::kReadFileFailed);
  return n;
}

void File::ReadExact(std::span<std::uint8_t> buffer) {
  if (Read(buffer) != buffer.size()) {
    throw KivoraError(Format(msg::kFileShorterThanExpected, path_.c_str()));
  }
}

void File::Write(std::span<const std::uint8_t> data) {
  if (data.empty()) return;
  if (std::fwrite(data.data(), 1, data.size(), handle_.get()) != data.size())
    Fail(msg::kWriteFileFailed);
}

// Offsets are 64-bit whatever the platform's long: parts of sources of 2 GiB and more
// are read and written far beyond 2^31.
static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit (_FILE_OFFSET_BITS=64)");

void File::Seek(std::int64_t offset, int whence) {
  if (::fseeko(handle_.get(), static_cast<off_t>(offset), whence) != 0) Fail(msg::kSeekFileFailed);
}

std::int64_t File::Tell() {
  const off_t pos = ::ftello(handle_.get());
  if (pos < 0) Fail(msg::kTellFileFailed);
  return pos;
}

std::int64_t File::Size() {
  const std::int64_t here = Tell();
  Seek(0, SEEK_END);
  const std::int64_t size = Tell();
  Seek(here);
  return size;
}

void File::Truncate(std::int64_t size) {
  if (std::fflush(handle_.get()) != 0 || ::ftruncate(Descriptor(), static_cast<off_t>(size)) != 0) {
    Fail(msg::kWriteFileFailed);
  }
  Seek(size);
}

void File::Sync() {
  if (std::fflush(handle_.get()) != 0 || ::fsync(Descriptor()) != 0) Fail(msg::kWriteFileFailed);
}

int File::Descriptor() const { return ::fileno(handle_.get()); }

File File::Adopt(int descriptor, std::filesystem::path path) {
  std::FILE* f = ::fdopen(descriptor, "w+b");
  if (!f) {
    const int err = errno;
    ::close(descriptor);
    throw KivoraError(DescribeIoError(path, msg::kCreateFileFailed, err));
  }
  std::setvbuf(f, nullptr, _IONBF, 0);
  return File(f, std::move(path));
}

void File::Close() {
  if (!handle_) return;
  std::FILE* f = handle_.release();
  const bool flushed = std::fflush(f) == 0;
  const int err = errno;
  const bool closed = std::fclose(f) == 0;
  if (!flushed || !closed)
    throw KivoraError(DescribeIoError(path_, msg::kWriteFileFailed, flushed ? errno : err));
}

File File::CreateNew(const std::filesystem::path& path) {
  return OpenWith(path, "wbx", msg::kCreateFileFailed, false,
                  [&](std::FILE* f) { return File(f, path); });
}

void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> data) {
  AtomicFile out(path);
  out.Write(data);
  out.Commit();
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  File f = File::OpenRead(path);
  const std::int64_t size = f.Size();
  std::vector<std::uint8_t> data(static_cast<size_t>(size));
  f.ReadExact(data);
  return data;
}

}  // namespace kivora
