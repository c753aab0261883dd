#pragma once
// What a pendant plug-in holds: five describing texts (string table entries 511..515)
// and the pictures, resources of type "KVR" numbered from 101 in list order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvrpack {

inline constexpr std::size_t kTextCount = 5;
inline constexpr std::uint16_t kFirstTextId = 511;  // set name, version, extension, author, comment
inline constexpr std::uint16_t kFirstPictureId = 101;
// Kivora reads picture ids 101..199 only.
inline constexpr std::size_t kMaxPictures = 99;

// The texts in UTF-8, as typed, in id order.
using PluginTexts = std::array<std::string, kTextCount>;

struct PluginRequest {
  PluginTexts texts;
  std::vector<std::string> pictures;  // full paths, in list order
};

}  // namespace kvrpack
