#include "core/recovery/GrowableBuffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace kivora {

namespace {

constexpr std::size_t kHugePage = 2 * 1024 * 1024;

std::size_t RoundUp(std::size_t n) { return (n + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

GrowableBuffer::~GrowableBuffer() {
  if (data_ != nullptr) munmap(data_, capacity_);
}

GrowableBuffer::GrowableBuffer(GrowableBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      used_(std::exchange(other.used_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

GrowableBuffer& GrowableBuffer::operator=(GrowableBuffer&& other) noexcept {
  if (this != &other) {
    GrowableBuffer gone(std::move(*this));
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    used_ = std::exchange(other.used_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void GrowableBuffer::GrowTo(std::size_t size) {
  if (size <= size_) return;
  if (size > capacity_) {
    const std::size_t capacity = RoundUp(std::max(size, capacity_ + capacity_ / 2));
    void* p = data_ == nullptr ? mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                               : mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) throw std::bad_alloc();
    madvise(p, capacity, MADV_HUGEPAGE);  // advice only: without huge pages it still works
    data_ = static_cast<std::uint8_t*>(p);
    capacity_ = capacity;
  }
  // Bytes past what was ever written are still the kernel's zeros.
  if (used_ > size_) std::memset(data_ + size_, 0, std::min(used_, size) - size_);
  size_ = size;
  used_ = std::max(used_, size);
}

}  // namespace kivora
