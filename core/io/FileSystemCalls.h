#pragma once
// The system calls that change what a folder holds or what reaches the disk, behind one
// seam: each has the signature, result and errno of the call it wraps. The tests hook
// the seam (tests/support/FaultSeam.h) to end the process just before the Nth of them,
// proving that a kill at any instant leaves files whole, and to count an operation's
// calls; the programs set no hook. Without one, a call costs one relaxed atomic load more
// than the system call.

#include <fcntl.h>
#include <sys/types.h>
#include <sys/uio.h>

#include <cstddef>

struct file_clone_range;  // <linux/fs.h>

namespace kivora::sys {

// Counted only when the file may be written: O_WRONLY, O_RDWR or O_CREAT in flags.
int Open(const char* path, int flags, mode_t mode = 0);
int OpenAt(int folder, const char* name, int flags, mode_t mode = 0);
ssize_t Write(int fd, const void* data, size_t size);
ssize_t WriteAt(int fd, const void* data, size_t size, off_t offset);
ssize_t WriteVector(int fd, const iovec* pieces, int count);
int Fsync(int fd);
int Fdatasync(int fd);
int Syncfs(int fd);
int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags);
int RenameAt(int fromFolder, const char* from, int toFolder, const char* to);
int RenameAt2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags);
int UnlinkAt(int folder, const char* name, int flags);
// ioctl(to, FICLONERANGE, range): shares a range of another file's blocks.
int CloneRange(int to, const ::file_clone_range* range);

// Called on the calling thread just before each of the calls above; nullptr: none.
using CallHook = void (*)();
void SetCallHook(CallHook hook);

}  // namespace kivora::sys
