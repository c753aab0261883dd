#pragma once
// Lays out the resource section (.rsrc) of a PE image: the three-level directory tree
// (type, name, language), the data entries, the type names and the resource data.

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "kvrpack/Bytes.h"

namespace kvrpack {

// A resource type is named (a custom type such as "KVR") or numbered (6 = string table).
using ResourceTypeKey = std::variant<std::u16string, std::uint16_t>;

struct ResourceData {
  std::uint16_t id;
  std::span<const std::uint8_t> bytes;  // must outlive the layout call
};

struct ResourceType {
  ResourceTypeKey type;
  std::vector<ResourceData> resources;  // ids unique within the type
};

// The section's bytes, for a section loaded at `sectionRva` (data entries hold RVAs).
// Every resource gets one language, `language`. Named types come first, ordered by
// upper-cased name, then numbered types, then resources by id, as loaders that search
// the directories by bisection expect. Throws std::invalid_argument on a repeated type
// or id and std::length_error when the section would not fit a 32-bit image.
Bytes LayOutResourceSection(std::span<const ResourceType> types, std::uint16_t language,
                            std::uint32_t sectionRva);

}  // namespace kvrpack
