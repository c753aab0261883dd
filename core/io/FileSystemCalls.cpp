// The seam is one process-wide hook, as a kill at a given call is a matter of the whole
// process; without one (the programs as shipped) a call only loads it.

#include "core/io/FileSystemCalls.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

namespace kivora::sys {
namespace {

std::atomic<CallHook> callHook{nullptr};

inline void PassSeam() {
  if (const CallHook hook = callHook.load(std::memory_order_relaxed)) [[unlikely]]
    hook();
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

void SetCallHook(CallHook hook) { callHook.store(hook, std::memory_order_relaxed); }

}  // namespace kivora::sys
