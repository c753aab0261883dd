// The seam keeps two process-wide counters, as a kill at a given call is a matter of the
// whole process: the call at which to end (0: neither ending nor counting) and the calls
// made.

#include "core/io/FileSystemCalls.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kivora::sys {
namespace {

constexpr std::uint64_t kCountOnly = std::numeric_limits<std::uint64_t>::max();

std::uint64_t FaultAtFromEnvironment() {
  const char* text = std::getenv("KIVORA_FAULT_AT");
  if (!text || !*text) return 0;
  char* end = nullptr;
  const unsigned long long n = std::strtoull(text, &end, 10);
  return *end == '\0' ? n : 0;
}

std::atomic<std::uint64_t> seamEndAt{FaultAtFromEnvironment()};
std::atomic<std::uint64_t> seamCalls{0};

void CountCall(std::uint64_t endAt) {
  const std::uint64_t n = seamCalls.fetch_add(1, std::memory_order_relaxed) + 1;
  if (n != endAt) return;
  std::raise(SIGKILL);
  ::_exit(137);  // only when SIGKILL could not be raised
}

inline void PassSeam() {
  const std::uint64_t endAt = seamEndAt.load(std::memory_order_relaxed);
  if (endAt != 0) [[unlikely]]
    CountCall(endAt);
}

inline void PassSeamIfWriting(int flags) {
  if ((flags & O_ACCMODE) != O_RDONLY || (flags & O_CREAT) != 0) PassSeam();
}

}  // namespace

int Open(const char* path, int flags, mode_t mode) {
  PassSeamIfWriting(flags);
  return ::open(path, flags, mode);
}

int OpenAt(int folder, const char* name, int flags, mode_t mode) {
  PassSeamIfWriting(flags);
  return ::openat(folder, name, flags, mode);
}

ssize_t Write(int fd, const void* data, size_t size) {
  PassSeam();
  return ::write(fd, data, size);
}

ssize_t WriteAt(int fd, const void* data, size_t size, off_t offset) {
  PassSeam();
  return ::pwrite(fd, data, size, offset);
}

ssize_t WriteVector(int fd, const iovec* pieces, int count) {
  PassSeam();
  return ::writev(fd, pieces, count);
}

int Fsync(int fd) {
  PassSeam();
  return ::fsync(fd);
}

int Fdatasync(int fd) {
  PassSeam();
  return ::fdatasync(fd);
}

int Syncfs(int fd) {
  PassSeam();
  return ::syncfs(fd);
}

int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
  PassSeam();
  return ::linkat(fromFolder, from, toFolder, to, flags);
}

int RenameAt(int fromFolder, const char* from, int toFolder, const char* to) {
  PassSeam();
  return ::renameat(fromFolder, from, toFolder, to);
}

int RenameAt2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
  PassSeam();
  return ::renameat2(fromFolder, from, toFolder, to, flags);
}

int UnlinkAt(int folder, const char* name, int flags) {
  PassSeam();
  return ::unlinkat(folder, name, flags);
}

int CloneRange(int to, const ::file_clone_range* range) {
  PassSeam();
  return ::ioctl(to, FICLONERANGE, range);
}

void StartCountingCalls() {
  seamCalls.store(0, std::memory_order_relaxed);
  seamEndAt.store(kCountOnly, std::memory_order_relaxed);
}

void EndProcessAtCall(std::uint64_t n) {
  seamCalls.store(0, std::memory_order_relaxed);
  seamEndAt.store(n, std::memory_order_relaxed);
}

std::uint64_t CallsMade() { return seamCalls.load(std::memory_order_relaxed); }

}  // namespace kivora::sys
