#pragma once
// The definition as a set stores it: the bytes of a definition file of its own, or the
// block implanted at the end of the last part (the definition scrambled with the part's
// name, then its length as a signed 32-bit little-endian number). Every reader finds it
// by the one rule here, and the split writes the block by it.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kivora {

// Largest definition read into memory. The biggest real one (32767 parts with long
// names) is about 9 MB.
inline constexpr std::int64_t kMaxDefinitionBytes = 64 << 20;

struct StoredDefinitionBytes {
  std::vector<std::uint8_t> bytes;  // exactly as the file holds them
  bool implanted = false;
};

// The definition stored in the file at path: the whole file when it starts with "KV",
// otherwise the implanted block whose length its last four bytes give. Nothing beyond
// kMaxDefinitionBytes and what the file holds is read or allocated. Throws KivoraError:
// (202) when the file cannot be opened or is no regular file, "too large" for a larger
// definition file, the read's message when it fails, and "not implanted" when the
// length does not fit the file.
StoredDefinitionBytes ReadStoredDefinition(const std::filesystem::path& path);

// The definition bytes an implanted block holds, unscrambled with the name of the part
// it ends (only the file name of partPath counts). Throws KivoraError ("not implanted")
// when the block is not one: shorter than its length field says, or a part name that
// Big5 cannot hold.
std::vector<std::uint8_t> UnwrapImplantedBlock(std::vector<std::uint8_t> block,
                                               const std::filesystem::path& partPath);

// The key of an implanted definition: the lower-cased Big5 file name of the part.
// Throws KivoraError when the name has no Big5 form.
std::string ImplantKey(const std::filesystem::path& partPath);

// The implanted block of the definition bytes for the last part lastPart: the
// definition scrambled with the part's implant key, then its length.
std::vector<std::uint8_t> ImplantedBlock(const std::filesystem::path& lastPart,
                                         std::vector<std::uint8_t> bytes);

}  // namespace kivora
