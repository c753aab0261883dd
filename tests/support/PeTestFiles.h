#pragma once
// Test helpers: a writer of minimal PE32/PE32+ images with a resource section, and
// temporary folders and files to put them in.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/io/LittleEndian.h"
#include "tests/support/TestSupport.h"

namespace kivora::pendant::test {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(std::string_view text);
// A copy of what a lookup found; no bytes when it found nothing.
Bytes AsBytes(std::optional<std::span<const std::uint8_t>> data);
// Deterministic filler of `size` bytes that differs per seed.
Bytes PatternBytes(std::size_t size, std::uint32_t seed);

std::uint32_t GetU32(std::span<const std::uint8_t> data, std::size_t offset);

struct PeTestImage {
  Bytes bytes;
  std::size_t resourceRoot = 0;   // file offset of the root resource directory
  std::size_t sectionHeader = 0;  // file offset of the .rsrc section header
  // File offsets of the data entries, in the order the resources were added (string
  // table blocks last, by block id); and of the end of the last resource's data.
  std::vector<std::size_t> dataEntries;
  std::size_t contentEnd = 0;
};

// Writes a DLL image with one section, .rsrc, laid out as resource compilers do:
// directories (named types first, then ids ascending), data entries, type names, data.
class PeImageBuilder {
 public:
  using Type = std::variant<std::u16string, std::uint16_t>;

  PeImageBuilder& Add(Type type, std::uint16_t id, Bytes data, std::uint16_t language = 0x0404);
  PeImageBuilder& AddKvr(std::uint16_t id, Bytes data) { return Add(u"KVR", id, std::move(data)); }
  PeImageBuilder& AddString(std::uint16_t id, std::u16string text);
  PeImageBuilder& Pe32Plus() {
    pe32Plus_ = true;
    return *this;
  }
  PeTestImage Build() const;

 private:
  struct Resource {
    Type type;
    std::uint16_t id;
    std::uint16_t language;
    Bytes data;
  };
  std::vector<Resource> resources_;
  std::vector<std::pair<std::uint16_t, std::u16string>> strings_;
  bool pe32Plus_ = false;
};

using kivora::test::TempDir;
using kivora::test::WriteBytes;

using kivora::test::FindProgram;

}  // namespace kivora::pendant::test
