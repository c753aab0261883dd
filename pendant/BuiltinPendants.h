#pragma once
// The 40 built-in pendant pictures, embedded at build time from assets/pendants.

#include <cstdint>
#include <span>

namespace kivora::pendant {

struct BuiltinPendant {
  int id;                               // 10..14, 20..24, ..., 80..84
  std::span<const std::uint8_t> bytes;  // the PNG file, unchanged
};

// All built-in pendants in increasing id order.
std::span<const BuiltinPendant> BuiltinPendants();

}  // namespace kivora::pendant
