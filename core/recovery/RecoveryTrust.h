#pragma once
// What a repair believes. The definition, when it exists and reads, is the authority:
// recovery parts count only when their copy of it is the same, and every part file must
// be what its record says. Without it, the recovery parts that agree with each other
// stand in for it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/format/RecoveryFormat.h"

namespace kivora {

// A definition as it lies on disk: its bytes as stored (the whole definition file, or the
// block implanted at the end of the last part) and what they decode to.
struct DefinitionAsStored {
  KvrDefinition definition;
  std::vector<std::uint8_t> bytes;
  std::uint32_t crc = 0;  // of bytes
};

// The definition at path; empty optional when it is missing or does not read.
std::optional<DefinitionAsStored> ReadDefinitionAsStored(const std::filesystem::path& path,
                                                         const PendantProvider& pendants);

// Every part file of the set as the definition records it: its exact length and the
// CRC-32 of the whole file. `stored` is the definition as stored, which an implanted
// definition adds to the last part.
std::vector<CoveredFile> RecordedPartFiles(const KvrDefinition& definition,
                                           std::span<const std::uint8_t> stored);

}  // namespace kivora
