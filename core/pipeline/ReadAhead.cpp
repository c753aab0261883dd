#include "core/pipeline/ReadAhead.h"

#include <utility>

namespace kivora {

ReadAhead::ReadAhead(ReadFunction read, int blocks, size_t blockBytes)
    : read_(std::move(read)),
      blocks_(static_cast<size_t>(blocks), IoBuffer(blockBytes)),
      lengths_(static_cast<size_t>(blocks)),
      thread_([this] { Run(); }) {}

ReadAhead::~ReadAhead() {
  Stop();
  thread_.join();
}

void ReadAhead::Stop() {
  released_.fetch_or(kFlag, std::memory_order_release);
  released_.notify_one();
}

void ReadAhead::Run() {
  const std::uint64_t count = blocks_.size();
  for (std::uint64_t k = 0;; ++k) {
    // Block k may be filled once block k - count was given back.
    std::uint64_t released = released_.load(std::memory_order_acquire);
    while (!(released & kFlag) && k - released >= count) {
      released_.wait(released, std::memory_order_acquire);
      released = released_.load(std::memory_order_acquire);
    }
    if (released & kFlag) break;
    const size_t slot = k % count;
    try {
      lengths_[slot] = read_(blocks_[slot]);
    } catch (...) {
      error_ = std::current_exception();
      break;
    }
    if (lengths_[slot] == 0) break;
    produced_.store(k + 1, std::memory_order_release);
    produced_.notify_one();
  }
  produced_.fetch_or(kFlag, std::memory_order_release);
  produced_.notify_one();
}

std::span<std::uint8_t> ReadAhead::Next() {
  if (taken_ > 0) {  // the block handed out last is free again
    const std::uint64_t stopped = released_.load(std::memory_order_relaxed) & kFlag;
    released_.store(taken_ | stopped, std::memory_order_release);
    released_.notify_one();
  }
  std::uint64_t produced = produced_.load(std::memory_order_acquire);
  while ((produced & ~kFlag) <= taken_) {
    if (produced & kFlag) {
      if (error_) std::rethrow_exception(error_);
      return {};
    }
    produced_.wait(produced, std::memory_order_acquire);
    produced = produced_.load(std::memory_order_acquire);
  }
  const size_t slot = taken_++ % blocks_.size();
  return std::span(blocks_[slot].data(), lengths_[slot]);
}

}  // namespace kivora
