#pragma once
// Bytes in anonymous memory that start as zeros and grow in place: the kernel moves the
// pages (mremap) instead of copying them, new pages come zeroed without a pass over them,
// and huge pages are asked for, so a buffer of hundreds of MB costs few page faults.

#include <cstddef>
#include <cstdint>
#include <span>

namespace kivora {

class GrowableBuffer {
 public:
  GrowableBuffer() = default;
  ~GrowableBuffer();
  GrowableBuffer(GrowableBuffer&& other) noexcept;
  GrowableBuffer& operator=(GrowableBuffer&& other) noexcept;
  GrowableBuffer(const GrowableBuffer&) = delete;
  GrowableBuffer& operator=(const GrowableBuffer&) = delete;

  std::uint8_t* data() { return data_; }
  std::size_t size() const { return size_; }
  std::span<std::uint8_t> Bytes() { return {data_, size_}; }
  std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }

  // Grows to `size` bytes (never shrinks); the bytes added are zeros. Throws
  // std::bad_alloc when the memory is not there.
  void GrowTo(std::size_t size);
  // Back to no bytes; the memory stays for the next growth, which zeroes what it reuses.
  void Clear() { size_ = 0; }

 private:
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t used_ = 0;  // bytes that may hold something other than zeros
  std::size_t capacity_ = 0;
};

}  // namespace kivora
