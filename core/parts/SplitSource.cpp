#include "core/parts/SplitSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivora {

bool IsStreamSource(const std::filesystem::path& path) {
  if (path == "-") return true;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

std::optional<SplitSource> SplitSource::Open(const std::filesystem::path& path,
                                             const StopCheck& stop) {
  if (!IsStreamSource(path)) {
    File file = File::TryOpenRead(path);
    if (!file.IsOpen()) return std::nullopt;
    const std::int64_t size = file.Size();
    return SplitSource(std::move(file), size);
  }
  // A FIFO's open waits for a writer unless it does not block; its reads then wait in
  // the stream's own polling, which a stop request ends. Standard input's descriptor is
  // shared with the shell and keeps its flags.
  const int fd = path == "-" ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                             : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  if (path != "-") ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // A larger pipe lets the writer run ahead with fewer switches between the two (a
  // hint: a pipe that cannot grow, or no pipe at all, is read as it is).
  ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
  return SplitSource(File::Adopt(fd, path), std::nullopt, stop);
}

SplitSource::SplitSource(File file, std::optional<std::int64_t> size, const StopCheck& stop)
    : size_(size) {
  if (size_) {
    file_ = std::move(file);
  } else {
    stream_.emplace(std::move(file), stop);
  }
}

std::int64_t SplitSource::Left(std::int64_t want) {
  if (size_) return *size_ - released_;
  return stream_->Fill(want) - (released_ - stream_->Consumed());
}

void SplitSource::Release(std::int64_t count) {
  released_ += count;
  if (stream_) stream_->Release(count);
}

size_t SplitSource::Read(std::span<std::uint8_t> out) {
  return stream_ ? stream_->Read(out) : file_.Read(out);
}

const std::filesystem::path& SplitSource::Path() const {
  return stream_ ? stream_->Path() : file_.Path();
}

}  // namespace kivora
