#include "core/parts/StreamSource.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "core/KivoraError.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {
// How long a wait for the stream's bytes goes before the stop request is asked again.
constexpr int kStopPollMs = 100;
}  // namespace

size_t StreamSource::ReadUntilFull(std::span<std::uint8_t> free) {
  size_t done = 0;
  while (done < free.size()) {
    if (stop_) {
      pollfd ready{file_.Descriptor(), POLLIN, 0};
      const int n = ::poll(&ready, 1, kStopPollMs);
      if (n == 0 || (n < 0 && errno == EINTR)) {
        if (stop_()) return done;
        continue;
      }
    }
    const ssize_t n = ::read(file_.Descriptor(), free.data() + done, free.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw KivoraError(msg::kCopyFromSourceFailed, std::string(std::strerror(errno)));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

std::int64_t StreamSource::Fill(std::int64_t want) {
  if (Waiting() >= want || ended_) return Waiting();
  const auto size = static_cast<size_t>(want);
  if (end_ + (size - static_cast<size_t>(Waiting())) > buffer_.size()) {
    // What waits moves to the front of a buffer of the largest look-ahead so far.
    const size_t capacity = std::max(buffer_.size(), size);
    if (capacity > buffer_.size()) {
      IoBuffer larger(capacity);
      if (end_ > begin_) std::memcpy(larger.data(), buffer_.data() + begin_, end_ - begin_);
      buffer_ = std::move(larger);
    } else {
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    }
    end_ -= begin_;
    begin_ = 0;
  }
  const std::span<std::uint8_t> free(buffer_.data() + end_, begin_ + size - end_);
  end_ += ReadUntilFull(free);
  ended_ = Waiting() < want;
  return Waiting();
}

size_t StreamSource::Read(std::span<std::uint8_t> out) {
  const auto n = static_cast<size_t>(
      std::min<std::int64_t>({static_cast<std::int64_t>(out.size()), released_, Waiting()}));
  if (n > 0) std::memcpy(out.data(), buffer_.data() + begin_, n);
  begin_ += n;
  released_ -= static_cast<std::int64_t>(n);
  consumed_ += static_cast<std::int64_t>(n);
  return n;
}

}  // namespace kivora
