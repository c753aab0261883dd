#pragma once
// Writing one part: plain (the payload unchanged) or disguised (a pendant picture,
// then the payload scrambled with the part's key).

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "FileIo.h"
#include "KvrData.h"
#include "PendantProvider.h"
#include "Random.h"

namespace kivora {

// Draws a pendant index from 0..count-1: r uniform in 0..2count-1, n = round(r / 2)
// redrawn while 0, entry n (1-based). The last entry is half as likely as the others.
int ChoosePendantIndex(int count, Random& random);

// Writes the payload as a plain part, replacing any file of that name only once the
// whole part is written. Throws KivoraError (131).
void WritePlainPart(const std::filesystem::path& path, std::span<const std::uint8_t> payload);

// Writes pendant + payload scrambled in place with the block scrambler and key (Big5).
// Returns the CRC-32 of the whole part as written. Throws KivoraError (121).
std::uint32_t WriteDisguisedPart(const std::filesystem::path& path,
                                 std::span<const std::uint8_t> pendant,
                                 std::span<std::uint8_t> payload, std::string_view key);

struct SplitPart {
  std::filesystem::path path;
  std::string fileName;  // UTF-8, no folder
  std::string key;       // Big5: the password, or the part's file name
  std::int32_t size = 0;
};

// The pendants a split draws from: an opened set and its ids.
struct PendantPool {
  const PendantSet* set = nullptr;
  std::vector<int> ids;
};

// Split mode: copies the next part.size bytes of source (through buffer, reused between
// parts), writes the part and returns its record. pool is used only when disguised.
TKvrFileData WritePart(File& source, std::vector<std::uint8_t>& buffer, const SplitPart& part,
                       bool disguised, const PendantPool& pool, Random& random);

}  // namespace kivora
