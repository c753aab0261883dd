#include "core/parts/StreamSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/text/Messages.h"

namespace kivora {

bool IsStreamSource(const std::filesystem::path& path) {
  if (path == "-") return true;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

std::optional<StreamSource> StreamSource::Open(const std::filesystem::path& path) {
  const int fd = path == "-" ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                             : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return StreamSource(File::Adopt(fd, path));
}

std::int64_t StreamSource::Fill(std::int64_t want) {
  if (Waiting() >= want || ended_) return Waiting();
  // What waits moves to the front, so the buffer never grows past the largest look-ahead.
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(begin_));
  begin_ = 0;
  const size_t have = buffer_.size();
  buffer_.resize(static_cast<size_t>(want));
  const size_t got = WithMessage(msg::kCopyFromSourceFailed,
                                 [&] { return file_.Read(std::span(buffer_).subspan(have)); });
  buffer_.resize(have + got);
  ended_ = Waiting() < want;
  return Waiting();
}

size_t StreamSource::Read(std::span<std::uint8_t> out) {
  const auto n = static_cast<size_t>(
      std::min<std::int64_t>({static_cast<std::int64_t>(out.size()), released_, Waiting()}));
  std::memcpy(out.data(), buffer_.data() + begin_, n);
  begin_ += n;
  released_ -= static_cast<std::int64_t>(n);
  consumed_ += static_cast<std::int64_t>(n);
  return n;
}

}  // namespace kivora
