#pragma once
// The byte buffers the PE writer builds, filled in little-endian order.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/io/LittleEndian.h"

namespace kvrpack {

using Bytes = std::vector<std::uint8_t>;
using kivora::AppendLittleEndian;
using kivora::StoreLittleEndian;

constexpr std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace kvrpack
