#include "kvrpack/ResourceSection.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace kvrpack {
namespace {

constexpr std::size_t kDirectorySize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::size_t kDataAlignment = 8;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kNamedEntry = 0x80000000u;

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  }
  return text;
}

bool TypeLess(const ResourceType* a, const ResourceType* b) {
  if (a->type.index() != b->type.index()) return a->type.index() < b->type.index();
  if (const auto* name = std::get_if<std::u16string>(&a->type)) {
    return Upper(*name) < Upper(std::get<std::u16string>(b->type));
  }
  return std::get<std::uint16_t>(a->type) < std::get<std::uint16_t>(b->type);
}

bool SameType(const ResourceType* a, const ResourceType* b) {
  return !TypeLess(a, b) && !TypeLess(b, a);
}

std::uint32_t Offset(std::size_t value) {
  if (value > std::numeric_limits<std::uint32_t>::max() / 2) {
    throw std::length_error("resource section too large");
  }
  return static_cast<std::uint32_t>(value);
}

// A directory header followed by its entries; named entries are counted separately.
void PutDirectory(Bytes& out, std::size_t at, std::uint16_t named, std::uint16_t numbered) {
  StoreLittleEndian<std::uint16_t>(out, at + 12, named);
  StoreLittleEndian<std::uint16_t>(out, at + 14, numbered);
}

void PutEntry(Bytes& out, std::size_t directory, std::size_t index, std::uint32_t name,
              std::uint32_t target) {
  const std::size_t at = directory + kDirectorySize + index * kDirectoryEntrySize;
  StoreLittleEndian<std::uint32_t>(out, at, name);
  StoreLittleEndian<std::uint32_t>(out, at + 4, target);
}

}  // namespace

Bytes LayOutResourceSection(std::span<const ResourceType> types, std::uint16_t language,
                            std::uint32_t sectionRva) {
  std::vector<const ResourceType*> sorted;
  for (const ResourceType& t : types) sorted.push_back(&t);
  std::sort(sorted.begin(), sorted.end(), TypeLess);
  if (std::adjacent_find(sorted.begin(), sorted.end(), SameType) != sorted.end()) {
    throw std::invalid_argument("a resource type is given twice");
  }
  std::vector<std::vector<ResourceData>> resources;
  for (const ResourceType* t : sorted) {
    auto list = t->resources;
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    const auto same = [](const auto& a, const auto& b) { return a.id == b.id; };
    if (std::adjacent_find(list.begin(), list.end(), same) != list.end()) {
      throw std::invalid_argument("a resource id is given twice");
    }
    resources.push_back(std::move(list));
  }

  // Offsets of every part, in the order they are laid out.
  std::size_t end = kDirectorySize + sorted.size() * kDirectoryEntrySize;
  std::vector<std::size_t> nameDirectories;
  for (const auto& list : resources) {
    nameDirectories.push_back(end);
    end += kDirectorySize + list.size() * kDirectoryEntrySize;
  }
  std::vector<std::vector<std::size_t>> languageDirectories(resources.size());
  for (std::size_t t = 0; t < resources.size(); ++t) {
    for (std::size_t r = 0; r < resources[t].size(); ++r) {
      languageDirectories[t].push_back(end);
      end += kDirectorySize + kDirectoryEntrySize;
    }
  }
  std::vector<std::vector<std::size_t>> dataEntries(resources.size());
  for (std::size_t t = 0; t < resources.size(); ++t) {
    for (std::size_t r = 0; r < resources[t].size(); ++r) {
      dataEntries[t].push_back(end);
      end += kDataEntrySize;
    }
  }
  std::vector<std::size_t> typeNames(sorted.size(), 0);
  for (std::size_t t = 0; t < sorted.size(); ++t) {
    if (const auto* name = std::get_if<std::u16string>(&sorted[t]->type)) {
      typeNames[t] = end;
      end += 2 + 2 * name->size();
    }
  }
  std::vector<std::vector<std::size_t>> data(resources.size());
  for (std::size_t t = 0; t < resources.size(); ++t) {
    for (const ResourceData& r : resources[t]) {
      end = AlignUp(end, kDataAlignment);
      data[t].push_back(end);
      end += r.bytes.size();
      Offset(end + sectionRva);  // the whole section must stay addressable
    }
  }

  Bytes out(end, 0);
  const auto named = std::count_if(sorted.begin(), sorted.end(), [](const ResourceType* t) {
    return std::holds_alternative<std::u16string>(t->type);
  });
  PutDirectory(out, 0, static_cast<std::uint16_t>(named),
               static_cast<std::uint16_t>(sorted.size() - named));
  for (std::size_t t = 0; t < sorted.size(); ++t) {
    if (const auto* name = std::get_if<std::u16string>(&sorted[t]->type)) {
      PutEntry(out, 0, t, kNamedEntry | Offset(typeNames[t]),
               kSubdirectory | Offset(nameDirectories[t]));
      StoreLittleEndian<std::uint16_t>(out, typeNames[t], static_cast<std::uint16_t>(name->size()));
      for (std::size_t i = 0; i < name->size(); ++i) {
        StoreLittleEndian<std::uint16_t>(out, typeNames[t] + 2 + 2 * i,
                                         static_cast<std::uint16_t>((*name)[i]));
      }
    } else {
      PutEntry(out, 0, t, std::get<std::uint16_t>(sorted[t]->type),
               kSubdirectory | Offset(nameDirectories[t]));
    }

    const auto& list = resources[t];
    PutDirectory(out, nameDirectories[t], 0, static_cast<std::uint16_t>(list.size()));
    for (std::size_t r = 0; r < list.size(); ++r) {
      PutEntry(out, nameDirectories[t], r, list[r].id,
               kSubdirectory | Offset(languageDirectories[t][r]));
      PutDirectory(out, languageDirectories[t][r], 0, 1);
      PutEntry(out, languageDirectories[t][r], 0, language, Offset(dataEntries[t][r]));
      StoreLittleEndian<std::uint32_t>(out, dataEntries[t][r], Offset(sectionRva + data[t][r]));
      StoreLittleEndian<std::uint32_t>(out, dataEntries[t][r] + 4, Offset(list[r].bytes.size()));
      std::copy(list[r].bytes.begin(), list[r].bytes.end(),
                out.begin() + static_cast<std::ptrdiff_t>(data[t][r]));
    }
  }
  return out;
}

}  // namespace kvrpack
