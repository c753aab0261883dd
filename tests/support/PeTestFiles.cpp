#include "tests/support/PeTestFiles.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

namespace kivora::pendant::test {
namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::size_t kPeHeader = 0x40;
constexpr std::uint32_t kHighBit = 0x80000000u;

std::size_t AlignUp(std::size_t value, std::size_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// Resource directories list named entries first (by upper-cased name), then ids.
bool TypeLess(const PeImageBuilder::Type& a, const PeImageBuilder::Type& b) {
  if (a.index() != b.index()) return a.index() < b.index();
  if (const auto* id = std::get_if<std::uint16_t>(&a)) return *id < std::get<std::uint16_t>(b);
  const auto upper = [](std::u16string s) {
    for (auto& c : s) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return s;
  };
  return upper(std::get<std::u16string>(a)) < upper(std::get<std::u16string>(b));
}

}  // namespace

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes AsBytes(std::optional<std::span<const std::uint8_t>> data) {
  return data ? Bytes(data->begin(), data->end()) : Bytes{};
}

Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
  Bytes out(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : out) {
    x = x * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return out;
}

std::uint32_t GetU32(std::span<const std::uint8_t> data, std::size_t offset) {
  return data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) |
         (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

PeImageBuilder& PeImageBuilder::Add(Type type, std::uint16_t id, Bytes data,
                                    std::uint16_t language) {
  resources_.push_back({std::move(type), id, language, std::move(data)});
  return *this;
}

PeImageBuilder& PeImageBuilder::AddString(std::uint16_t id, std::u16string text) {
  strings_.emplace_back(id, std::move(text));
  return *this;
}

PeTestImage PeImageBuilder::Build() const {
  // String table blocks: 16 strings each, block (id >> 4) + 1.
  std::map<std::uint16_t, std::array<std::u16string, 16>> blocks;
  for (const auto& [id, text] : strings_) blocks[(id >> 4) + 1][id & 15] = text;
  std::vector<Resource> all = resources_;
  for (const auto& [block, texts] : blocks) {
    Bytes data;
    for (const auto& text : texts) {
      data.push_back(static_cast<std::uint8_t>(text.size()));
      data.push_back(static_cast<std::uint8_t>(text.size() >> 8));
      for (char16_t c : text) {
        data.push_back(static_cast<std::uint8_t>(c));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
      }
    }
    all.push_back({std::uint16_t{6}, block, 0x0404, std::move(data)});
  }

  // The tree: types, then ids, then languages in the order added.
  struct Name {
    std::uint16_t id;
    std::vector<std::size_t> languages;  // indices into `all`
    std::size_t directory = 0;
  };
  struct TypeNode {
    Type type;
    std::vector<Name> names;
    std::size_t directory = 0;
  };
  std::vector<TypeNode> types;
  for (std::size_t i = 0; i < all.size(); ++i) {
    auto t = std::find_if(types.begin(), types.end(),
                          [&](const TypeNode& n) { return n.type == all[i].type; });
    if (t == types.end()) t = types.insert(types.end(), TypeNode{all[i].type, {}});
    auto n = std::find_if(t->names.begin(), t->names.end(),
                          [&](const Name& x) { return x.id == all[i].id; });
    if (n == t->names.end()) n = t->names.insert(t->names.end(), Name{all[i].id, {}});
    n->languages.push_back(i);
  }
  std::stable_sort(types.begin(), types.end(),
                   [](const auto& a, const auto& b) { return TypeLess(a.type, b.type); });
  for (auto& t : types) {
    std::stable_sort(t.names.begin(), t.names.end(),
                     [](const auto& a, const auto& b) { return a.id < b.id; });
  }

  Bytes sec;
  const auto directory = [&sec](std::size_t named, std::size_t ids) {
    const std::size_t at = sec.size();
    sec.resize(at + 16 + 8 * (named + ids));
    StoreLittleEndian<std::uint16_t>(sec, at + 12, static_cast<std::uint16_t>(named));
    StoreLittleEndian<std::uint16_t>(sec, at + 14, static_cast<std::uint16_t>(ids));
    return at;
  };
  const std::size_t named =
      std::count_if(types.begin(), types.end(), [](const auto& t) { return t.type.index() == 0; });
  directory(named, types.size() - named);
  for (std::size_t t = 0; t < types.size(); ++t) {
    if (const auto* id = std::get_if<std::uint16_t>(&types[t].type))
      StoreLittleEndian<std::uint32_t>(sec, 16 + 8 * t, *id);
    types[t].directory = directory(0, types[t].names.size());
    StoreLittleEndian<std::uint32_t>(sec, 16 + 8 * t + 4,
                                     kHighBit | static_cast<std::uint32_t>(types[t].directory));
  }
  for (auto& t : types) {
    for (std::size_t n = 0; n < t.names.size(); ++n) {
      const std::size_t entry = t.directory + 16 + 8 * n;
      StoreLittleEndian<std::uint32_t>(sec, entry, t.names[n].id);
      t.names[n].directory = directory(0, t.names[n].languages.size());
      StoreLittleEndian<std::uint32_t>(sec, entry + 4,
                                       kHighBit | static_cast<std::uint32_t>(t.names[n].directory));
    }
  }
  std::vector<std::size_t> dataEntry(all.size());
  for (const auto& t : types) {
    for (const auto& n : t.names) {
      for (std::size_t l = 0; l < n.languages.size(); ++l) {
        const std::size_t entry = n.directory + 16 + 8 * l;
        StoreLittleEndian<std::uint32_t>(sec, entry, all[n.languages[l]].language);
        dataEntry[n.languages[l]] = sec.size();
        StoreLittleEndian<std::uint32_t>(sec, entry + 4, static_cast<std::uint32_t>(sec.size()));
        sec.resize(sec.size() + 16);
      }
    }
  }
  for (std::size_t t = 0; t < types.size(); ++t) {
    if (const auto* name = std::get_if<std::u16string>(&types[t].type)) {
      StoreLittleEndian<std::uint32_t>(sec, 16 + 8 * t,
                                       kHighBit | static_cast<std::uint32_t>(sec.size()));
      sec.push_back(static_cast<std::uint8_t>(name->size()));
      sec.push_back(0);
      for (char16_t c : *name) {
        sec.push_back(static_cast<std::uint8_t>(c));
        sec.push_back(static_cast<std::uint8_t>(c >> 8));
      }
    }
  }
  for (const auto& t : types) {
    for (const auto& n : t.names) {
      for (std::size_t i : n.languages) {
        sec.resize(AlignUp(sec.size(), 4));
        StoreLittleEndian<std::uint32_t>(sec, dataEntry[i],
                                         kSectionRva + static_cast<std::uint32_t>(sec.size()));
        StoreLittleEndian<std::uint32_t>(sec, dataEntry[i] + 4,
                                         static_cast<std::uint32_t>(all[i].data.size()));
        sec.insert(sec.end(), all[i].data.begin(), all[i].data.end());
      }
    }
  }

  // Headers: DOS header, "PE\0\0", COFF header, optional header, one section header.
  PeTestImage image;
  Bytes& img = image.bytes;
  img.resize(kFileAlignment);
  const std::size_t optionalSize = pe32Plus_ ? 240 : 224;
  const std::size_t coff = kPeHeader + 4;
  const std::size_t optional = coff + 20;
  const std::size_t dataDirectories = optional + (pe32Plus_ ? 112 : 96);
  image.sectionHeader = optional + optionalSize;
  StoreLittleEndian<std::uint16_t>(img, 0, 0x5A4D);
  StoreLittleEndian<std::uint32_t>(img, 0x3C, kPeHeader);
  StoreLittleEndian<std::uint32_t>(img, kPeHeader, 0x00004550);
  StoreLittleEndian<std::uint16_t>(img, coff, pe32Plus_ ? 0x8664 : 0x014C);
  StoreLittleEndian<std::uint16_t>(img, coff + 2, all.empty() ? 0 : 1);
  StoreLittleEndian<std::uint16_t>(img, coff + 16, static_cast<std::uint16_t>(optionalSize));
  StoreLittleEndian<std::uint16_t>(img, coff + 18, 0x2102);  // executable, 32-bit words, DLL
  StoreLittleEndian<std::uint16_t>(img, optional, pe32Plus_ ? 0x20B : 0x10B);
  StoreLittleEndian<std::uint32_t>(img, optional + 32, 0x1000);  // section alignment
  StoreLittleEndian<std::uint32_t>(img, optional + 36, kFileAlignment);
  StoreLittleEndian<std::uint32_t>(
      img, optional + 56, kSectionRva + static_cast<std::uint32_t>(AlignUp(sec.size(), 0x1000)));
  StoreLittleEndian<std::uint32_t>(img, optional + 60, kFileAlignment);  // size of headers
  StoreLittleEndian<std::uint16_t>(img, optional + 68, 2);               // subsystem: GUI
  StoreLittleEndian<std::uint32_t>(img, dataDirectories - 4, 16);
  if (!all.empty()) {
    StoreLittleEndian<std::uint32_t>(img, dataDirectories + 16, kSectionRva);
    StoreLittleEndian<std::uint32_t>(img, dataDirectories + 20,
                                     static_cast<std::uint32_t>(sec.size()));
    std::copy_n(".rsrc", 5, img.begin() + static_cast<std::ptrdiff_t>(image.sectionHeader));
    StoreLittleEndian<std::uint32_t>(img, image.sectionHeader + 8,
                                     static_cast<std::uint32_t>(sec.size()));
    StoreLittleEndian<std::uint32_t>(img, image.sectionHeader + 12, kSectionRva);
    StoreLittleEndian<std::uint32_t>(
        img, image.sectionHeader + 16,
        static_cast<std::uint32_t>(AlignUp(sec.size(), kFileAlignment)));
    StoreLittleEndian<std::uint32_t>(img, image.sectionHeader + 20, kFileAlignment);
    StoreLittleEndian<std::uint32_t>(img, image.sectionHeader + 36,
                                     0x40000040);  // initialised data, readable
  }
  image.resourceRoot = kFileAlignment;
  image.contentEnd = kFileAlignment + sec.size();
  for (std::size_t offset : dataEntry) image.dataEntries.push_back(kFileAlignment + offset);
  img.insert(img.end(), sec.begin(), sec.end());
  img.resize(AlignUp(img.size(), kFileAlignment));
  return image;
}

}  // namespace kivora::pendant::test
