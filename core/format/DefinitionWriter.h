#pragma once
// The byte format of a join definition, and writing it as a file of its own or
// implanted (scrambled) at the end of the last part.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/io/File.h"

namespace kivora {

// The magic the definition of this header is written with: the header's own, or for a
// "KV1" to "KV4" header whose SourceSize needs 64 bits its wide form ("KV5" for level
// 1, "KV6" for level 2), so that smaller sources keep the 32-bit layout byte for byte.
std::string WrittenMagic(const DefinitionHeader& header);

// The definition bytes, with the magic of WrittenMagic. Texts are converted to Big5; throws
// KivoraError when one has no Big5 form.
std::vector<std::uint8_t> EncodeDefinition(const DefinitionHeader& header,
                                           std::span<const PartRecord> parts);

// Saves the definition as its own file (atomically). Throws KivoraError (141).
void SaveDefinitionFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Scrambles the definition and appends it, then its length, to the end of the part.
// On failure the part is cut back to its former length. Throws KivoraError (142).
void ImplantDefinition(const std::filesystem::path& lastPart, std::vector<std::uint8_t> bytes);
// The same with the block ImplantedBlock (StoredDefinition.h) made.
void AppendImplantedBlock(const std::filesystem::path& lastPart,
                          std::span<const std::uint8_t> block);

}  // namespace kivora
