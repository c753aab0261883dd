#pragma once
// Little-endian stores into a byte buffer, the byte order of every PE structure.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvrpack {

using Bytes = std::vector<std::uint8_t>;

inline void PutU16(Bytes& out, std::size_t at, std::uint16_t value) {
  out.at(at) = static_cast<std::uint8_t>(value);
  out.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(Bytes& out, std::size_t at, std::uint32_t value) {
  PutU16(out, at, static_cast<std::uint16_t>(value));
  PutU16(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void AppendU16(Bytes& out, std::uint16_t value) {
  out.resize(out.size() + 2);
  PutU16(out, out.size() - 2, value);
}

inline void AppendU32(Bytes& out, std::uint32_t value) {
  out.resize(out.size() + 4);
  PutU32(out, out.size() - 4, value);
}

constexpr std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace kvrpack
