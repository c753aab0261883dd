#pragma once
// Integers as little-endian bytes, the byte order of every file format here and of
// the PE structures of pendant plug-ins.

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

// Overwrites sizeof(T) bytes at `at`; throws std::out_of_range past the end.
template <typename T>
void StoreLittleEndian(std::vector<std::uint8_t>& out, size_t at, T value) {
  const auto u = static_cast<std::make_unsigned_t<T>>(value);
  for (size_t i = 0; i < sizeof(T); ++i) out.at(at + i) = static_cast<std::uint8_t>(u >> (8 * i));
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
