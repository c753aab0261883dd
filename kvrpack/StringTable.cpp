#include "kvrpack/StringTable.h"

#include <array>
#include <limits>
#include <map>
#include <stdexcept>

namespace kvrpack {

std::vector<StringBlock> StringTableBlocks(std::span<const StringEntry> strings) {
  constexpr std::size_t kPerBlock = 16;
  std::map<std::uint16_t, std::array<std::u16string_view, kPerBlock>> blocks;
  for (const StringEntry& s : strings) {
    if (s.text.size() > std::numeric_limits<std::uint16_t>::max()) {
      throw std::length_error("string " + std::to_string(s.id) + " is longer than 65535 units");
    }
    const auto blockId = static_cast<std::uint16_t>((s.id >> 4) + 1);
    blocks[blockId][s.id & 15] = s.text;
  }

  std::vector<StringBlock> out;
  out.reserve(blocks.size());
  for (const auto& [blockId, texts] : blocks) {
    Bytes bytes;
    for (std::u16string_view text : texts) {
      AppendLittleEndian<std::uint16_t>(bytes, static_cast<std::uint16_t>(text.size()));
      for (char16_t unit : text)
        AppendLittleEndian<std::uint16_t>(bytes, static_cast<std::uint16_t>(unit));
    }
    out.push_back({blockId, std::move(bytes)});
  }
  return out;
}

}  // namespace kvrpack
