#pragma once
// Integers as little-endian bytes, the byte order of every file format here.

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

namespace kivora {

template <typename T>
void AppendLittleEndian(std::vector<std::uint8_t>& out, T value) {
  const auto u = static_cast<std::make_unsigned_t<T>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

// The caller has checked that sizeof(T) bytes follow `at`.
template <typename T>
T LoadLittleEndian(std::span<const std::uint8_t> bytes, size_t at) {
  std::make_unsigned_t<T> v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) {
    v |= static_cast<std::make_unsigned_t<T>>(static_cast<std::make_unsigned_t<T>>(bytes[at + i])
                                              << (8 * i));
  }
  return static_cast<T>(v);
}

}  // namespace kivora
