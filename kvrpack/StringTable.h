#pragma once
// The string table of a Windows resource section: strings are grouped in blocks of 16,
// block id (string id >> 4) + 1, each entry a 16-bit length followed by that many
// UTF-16 units (no terminator); absent entries have length 0.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kvrpack/Bytes.h"

namespace kvrpack {

struct StringEntry {
  std::uint16_t id;
  std::u16string text;  // at most 65535 units
};

struct StringBlock {
  std::uint16_t blockId;
  Bytes bytes;
};

// The blocks that hold `strings`, in increasing block id. Ids must be unique; a text
// longer than 65535 units throws std::length_error.
std::vector<StringBlock> StringTableBlocks(std::span<const StringEntry> strings);

}  // namespace kvrpack
