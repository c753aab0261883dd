#include "core/io/Folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/KivoraError.h"
#include "core/io/File.h"
#include "core/io/FileSystemCalls.h"
#include "core/text/Messages.h"

namespace kivora {

Folder::Folder(std::filesystem::path path, const IoFailureText& what,
               const std::filesystem::path& messagePath)
    : fd_(::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)), path_(std::move(path)) {
  if (fd_ < 0) throw KivoraError(DescribeIoError(messagePath, what, errno));
}

Folder::Folder(Folder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      descriptors_(std::exchange(other.descriptors_, -2)),
      linksByDescriptor_(other.linksByDescriptor_),
      path_(std::move(other.path_)) {}

Folder::~Folder() {
  if (fd_ >= 0) ::close(fd_);
  if (descriptors_ >= 0) ::close(descriptors_);
}

int Folder::OpenDescriptors() const {
  if (descriptors_ == -2) descriptors_ = ::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
  return descriptors_;
}

void SyncFolder(const Folder& folder) {
  // The folder's own descriptor is O_PATH, which fsync refuses.
  const int fd = ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int rc = fd < 0 ? -1 : sys::Fsync(fd);
  const int err = errno;
  if (fd >= 0) ::close(fd);
  if (rc != 0) throw KivoraError(DescribeIoError(folder.Path(), msg::kWriteFileFailed, err));
}

}  // namespace kivora
