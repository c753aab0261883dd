#include "pendant/PeResources.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <stdexcept>
#include <string_view>

namespace kivora::pendant {
namespace {

constexpr std::uint16_t kMzSignature = 0x5A4D;      // "MZ"
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kResourceDataDirectory = 2;
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr int kStringsPerBlock = 16;

class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& text) { throw FormatError(text); }

std::string Hex(std::uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

// Little-endian reads from a byte range; a read outside the range fails with a text
// naming the structure that was being read.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::uint64_t Size() const { return data_.size(); }
  bool Has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  std::span<const std::uint8_t> Slice(std::uint64_t offset, std::uint64_t length,
                                      std::string_view what) const {
    Need(offset, length, what);
    return data_.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
  }
  std::uint16_t U16(std::uint64_t offset, std::string_view what) const {
    const auto b = Slice(offset, 2, what);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  std::uint32_t U32(std::uint64_t offset, std::string_view what) const {
    const auto b = Slice(offset, 4, what);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }

 private:
  void Need(std::uint64_t offset, std::uint64_t length, std::string_view what) const {
    if (!Has(offset, length)) {
      Fail(std::string(what) + " at " + Hex(offset) + " (" + std::to_string(length) +
           " bytes) lies beyond the end of the data (" + std::to_string(data_.size()) + " bytes)");
    }
  }

  std::span<const std::uint8_t> data_;
};

struct Section {
  std::uint64_t virtualAddress;
  std::uint64_t virtualSize;
  std::uint64_t rawOffset;
  std::uint64_t rawSize;  // clipped to the end of the file
};

// Where a directory entry leads: a subdirectory or a data entry, by offset from the
// start of the resource section.
struct DirectoryEntry {
  std::uint32_t name;
  std::uint32_t target;

  bool NameIsString() const { return (name & kHighBit) != 0; }
  std::uint16_t Id() const { return static_cast<std::uint16_t>(name & 0xFFFF); }
  bool IsDirectory() const { return (target & kHighBit) != 0; }
  std::uint32_t TargetOffset() const { return target & ~kHighBit; }
};

bool IsAsciiCaseInsensitiveEqual(std::span<const std::uint8_t> utf16le, std::string_view ascii) {
  if (utf16le.size() != ascii.size() * 2) return false;
  for (size_t i = 0; i < ascii.size(); ++i) {
    const unsigned unit = utf16le[2 * i] | (utf16le[2 * i + 1] << 8);
    const auto fold = [](unsigned c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; };
    if (fold(unit) != fold(static_cast<unsigned char>(ascii[i]))) return false;
  }
  return true;
}

}  // namespace

// Walks the headers and the three levels of the resource tree (type, name, language).
// Only the "KVR" and string-table subtrees are entered; each directory may be reached
// once, and all directories together must fit in the section, which bounds the work and
// the memory by the size of the data.
class PeResourceParser {
 public:
  explicit PeResourceParser(std::span<const std::uint8_t> image) : image_(image) {}

  PeResources Run() {
    PeResources result;
    const auto root = ResourceSectionFileRange();
    if (!root) return result;
    section_ = ByteReader(image_.Slice(root->first, root->second, "resource section"));

    // When a type appears twice, only its first directory counts, as for a lookup.
    bool haveKvr = false;
    bool haveStrings = false;
    for (const DirectoryEntry& type : ReadDirectory(0, "resource type directory")) {
      std::vector<PeResources::Entry>* into = nullptr;
      if (type.NameIsString()) {
        if (!haveKvr && IsKvrName(type.name)) {
          into = &result.kvr_;
          haveKvr = true;
        }
      } else if (type.Id() == PeResources::kStringTableType && !haveStrings) {
        into = &result.stringBlocks_;
        haveStrings = true;
      }
      if (!into) continue;
      if (!type.IsDirectory()) Fail("resource type entry is not a directory");
      ReadResources(type.TargetOffset(), *into);
    }
    for (const auto& block : result.stringBlocks_) CheckStringBlock(block.id, block.data);
    return result;
  }

 private:
  // File offset and length of the resource section from the root directory on; empty
  // optional when the image has no resources.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> ResourceSectionFileRange() {
    if (image_.Size() < kDosHeaderSize) {
      Fail("too short for a DOS header: " + std::to_string(image_.Size()) + " bytes");
    }
    if (image_.U16(0, "DOS signature") != kMzSignature) Fail("no MZ signature");
    const std::uint64_t pe = image_.U32(kLfanewOffset, "PE header offset");
    if (image_.U32(pe, "PE signature") != kPeSignature) Fail("no PE signature at " + Hex(pe));

    const std::uint64_t coff = pe + 4;
    const std::uint64_t sectionCount = image_.U16(coff + 2, "COFF header");
    const std::uint64_t optionalSize = image_.U16(coff + 16, "COFF header");
    const std::uint64_t optional = coff + kCoffHeaderSize;
    const ByteReader header(image_.Slice(optional, optionalSize, "optional header"));

    const std::uint16_t magic = header.U16(0, "optional header magic");
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
      Fail("unknown optional header magic " + Hex(magic));
    }
    const std::uint64_t countOffset = magic == kPe32Magic ? 92 : 108;
    const std::uint64_t directories = countOffset + 4;
    const std::uint64_t directoryCount = header.U32(countOffset, "data directory count");
    const std::uint64_t resourceEntry = directories + kResourceDataDirectory * 8;
    if (directoryCount <= kResourceDataDirectory || !header.Has(resourceEntry, 8)) {
      return std::nullopt;
    }
    const std::uint64_t rva = header.U32(resourceEntry, "resource data directory");
    const std::uint64_t size = header.U32(resourceEntry + 4, "resource data directory");
    if (rva == 0 || size == 0) return std::nullopt;

    ReadSections(optional + optionalSize, sectionCount);
    const Section* section = SectionOf(rva, kDirectoryHeaderSize);
    if (!section) Fail("resource directory RVA " + Hex(rva) + " lies in no section's file data");
    const std::uint64_t inSection = rva - section->virtualAddress;
    return std::pair(section->rawOffset + inSection, section->rawSize - inSection);
  }

  void ReadSections(std::uint64_t table, std::uint64_t count) {
    image_.Slice(table, count * kSectionHeaderSize, "section table");
    sections_.reserve(static_cast<size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t at = table + i * kSectionHeaderSize;
      Section s{};
      s.virtualSize = image_.U32(at + 8, "section header");
      s.virtualAddress = image_.U32(at + 12, "section header");
      s.rawSize = image_.U32(at + 16, "section header");
      s.rawOffset = image_.U32(at + 20, "section header");
      // Data past the end of the file is not there to read: keep only what exists.
      s.rawSize =
          s.rawOffset >= image_.Size() ? 0 : std::min(s.rawSize, image_.Size() - s.rawOffset);
      sections_.push_back(s);
    }
  }

  // The section whose file data holds the RVA range [rva, rva + length).
  const Section* SectionOf(std::uint64_t rva, std::uint64_t length) const {
    for (const Section& s : sections_) {
      // Some linkers leave VirtualSize 0; the file data then gives the extent.
      const std::uint64_t extent = std::max(s.virtualSize, s.rawSize);
      if (rva < s.virtualAddress || rva - s.virtualAddress >= extent) continue;
      const std::uint64_t inSection = rva - s.virtualAddress;
      return inSection <= s.rawSize && length <= s.rawSize - inSection ? &s : nullptr;
    }
    return nullptr;
  }

  std::vector<DirectoryEntry> ReadDirectory(std::uint64_t offset, std::string_view what) {
    if (!visited_.insert(offset).second) {
      Fail(std::string(what) + " at " + Hex(offset) + " is reached twice (a loop)");
    }
    const std::uint64_t count = static_cast<std::uint64_t>(section_.U16(offset + 12, what)) +
                                section_.U16(offset + 14, what);
    const std::uint64_t bytes = kDirectoryHeaderSize + count * kDirectoryEntrySize;
    section_.Slice(offset, bytes, what);
    directoryBytes_ += bytes;
    if (directoryBytes_ > section_.Size()) {
      Fail("resource directories overlap: more entries than the section can hold");
    }
    std::vector<DirectoryEntry> entries(static_cast<size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t at = offset + kDirectoryHeaderSize + i * kDirectoryEntrySize;
      entries[i] = {section_.U32(at, what), section_.U32(at + 4, what)};
    }
    return entries;
  }

  bool IsKvrName(std::uint32_t name) const {
    const std::uint64_t at = name & ~kHighBit;
    const std::uint64_t length = section_.U16(at, "resource type name");
    return IsAsciiCaseInsensitiveEqual(section_.Slice(at + 2, length * 2, "resource type name"),
                                       "KVR");
  }

  // Level 2 (integer ids; named resources are not used) and level 3 (the first language).
  void ReadResources(std::uint64_t typeDirectory, std::vector<PeResources::Entry>& into) {
    for (const DirectoryEntry& name : ReadDirectory(typeDirectory, "resource name directory")) {
      if (name.NameIsString()) continue;
      if (!name.IsDirectory()) {
        Fail("resource " + std::to_string(name.Id()) + " has no language directory");
      }
      const auto languages = ReadDirectory(name.TargetOffset(), "resource language directory");
      if (languages.empty()) continue;
      if (languages.front().IsDirectory()) {
        Fail("resource " + std::to_string(name.Id()) + " is nested deeper than three levels");
      }
      into.push_back({name.Id(), ReadData(languages.front().TargetOffset(), name.Id())});
    }
    std::stable_sort(into.begin(), into.end(),
                     [](const auto& a, const auto& b) { return a.id < b.id; });
    into.erase(std::unique(into.begin(), into.end(),
                           [](const auto& a, const auto& b) { return a.id == b.id; }),
               into.end());
  }

  std::span<const std::uint8_t> ReadData(std::uint64_t entry, int id) {
    section_.Slice(entry, kDataEntrySize, "resource data entry");
    const std::uint64_t rva = section_.U32(entry, "resource data entry");
    const std::uint64_t size = section_.U32(entry + 4, "resource data entry");
    const Section* s = SectionOf(rva, size);
    if (!s) {
      Fail("data of resource " + std::to_string(id) + " (RVA " + Hex(rva) + ", " +
           std::to_string(size) + " bytes) lies outside the file data of its section");
    }
    return image_.Slice(s->rawOffset + (rva - s->virtualAddress), size, "resource data");
  }

  static void CheckStringBlock(int block, std::span<const std::uint8_t> data) {
    const ByteReader reader(data);
    std::uint64_t at = 0;
    for (int i = 0; i < kStringsPerBlock; ++i) {
      if (!reader.Has(at, 2) || !reader.Has(at + 2, reader.U16(at, "string") * 2ull)) {
        Fail("string table block " + std::to_string(block) + " is truncated");
      }
      at += 2 + reader.U16(at, "string") * 2ull;
    }
  }

  ByteReader image_;
  ByteReader section_{{}};
  std::vector<Section> sections_;
  std::set<std::uint64_t> visited_;
  std::uint64_t directoryBytes_ = 0;
};

PeParseResult PeResources::Parse(std::span<const std::uint8_t> image) {
  try {
    return PeResourceParser(image).Run();
  } catch (const FormatError& e) {
    return PeError{e.what()};
  }
}

std::optional<std::span<const std::uint8_t>> PeResources::Find(const std::vector<Entry>& entries,
                                                               int id) {
  const auto it = std::lower_bound(entries.begin(), entries.end(), id,
                                   [](const Entry& e, int value) { return e.id < value; });
  if (it == entries.end() || it->id != id) return std::nullopt;
  return it->data;
}

std::vector<int> PeResources::KvrIds() const {
  std::vector<int> ids;
  ids.reserve(kvr_.size());
  for (const Entry& e : kvr_) ids.push_back(e.id);
  return ids;
}

std::optional<std::span<const std::uint8_t>> PeResources::Kvr(int id) const {
  return Find(kvr_, id);
}

std::optional<std::u16string> PeResources::String(int id) const {
  if (id < 0 || id > 0xFFFF) return std::nullopt;
  const auto block = Find(stringBlocks_, (id >> 4) + 1);
  if (!block) return std::nullopt;
  // Blocks were checked to hold 16 complete entries when parsed.
  size_t at = 0;
  for (int i = 0;; ++i) {
    const size_t length = (*block)[at] | ((*block)[at + 1] << 8);
    if (i == (id & 15)) {
      std::u16string text(length, u'\0');
      for (size_t k = 0; k < length; ++k) {
        text[k] = static_cast<char16_t>((*block)[at + 2 + 2 * k] | ((*block)[at + 3 + 2 * k] << 8));
      }
      return text;
    }
    at += 2 + 2 * length;
  }
}

}  // namespace kivora::pendant
