#include "core/parts/StreamSource.h"

#include <algorithm>
#include <cstring>

#include "core/text/Messages.h"

namespace kivora {

std::int64_t StreamSource::Fill(std::int64_t want) {
  if (Waiting() >= want || ended_) return Waiting();
  const auto size = static_cast<size_t>(want);
  if (end_ + (size - static_cast<size_t>(Waiting())) > capacity_) {
    // What waits moves to the front of a buffer of the largest look-ahead so far.
    const size_t capacity = std::max(capacity_, size);
    if (capacity > capacity_) {
      auto larger = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
      if (end_ > begin_) std::memcpy(larger.get(), buffer_.get() + begin_, end_ - begin_);
      buffer_ = std::move(larger);
      capacity_ = capacity;
    } else {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    }
    end_ -= begin_;
    begin_ = 0;
  }
  const std::span<std::uint8_t> free(buffer_.get() + end_, begin_ + size - end_);
  end_ += WithMessage(msg::kCopyFromSourceFailed, [&] { return file_.Read(free); });
  ended_ = Waiting() < want;
  return Waiting();
}

size_t StreamSource::Read(std::span<std::uint8_t> out) {
  const auto n = static_cast<size_t>(
      std::min<std::int64_t>({static_cast<std::int64_t>(out.size()), released_, Waiting()}));
  if (n > 0) std::memcpy(out.data(), buffer_.get() + begin_, n);
  begin_ += n;
  released_ -= static_cast<std::int64_t>(n);
  consumed_ += static_cast<std::int64_t>(n);
  return n;
}

}  // namespace kivora
