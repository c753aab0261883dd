#include "core/recovery/RecoveryTrust.h"

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/io/Crc32.h"
#include "core/parts/PartScan.h"

namespace kivora {

std::optional<DefinitionAsStored> ReadDefinitionAsStored(const std::filesystem::path& path,
                                                         const PendantProvider& pendants) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  try {
    StoredDefinitionBytes read = ReadStoredDefinition(path);
    DefinitionAsStored stored{DecodeStoredDefinition(read, path, pendants), std::move(read.bytes),
                              0};
    stored.crc = StreamCrc32(stored.bytes);
    return stored;
  } catch (const KivoraError&) {
    return std::nullopt;
  }
}

std::vector<CoveredFile> RecordedPartFiles(const KvrDefinition& definition,
                                           std::span<const std::uint8_t> stored) {
  const bool disguised = definition.header.Disguised;
  const bool sealed = definition.header.CipherKind == kSealedCipher;
  std::vector<CoveredFile> files;
  files.reserve(definition.parts.size());
  for (const PartRecord& record : definition.parts) {
    const std::int64_t length = ExpectedPartLength(record, disguised);
    files.push_back(
        {static_cast<std::uint64_t>(std::max<std::int64_t>(length, 0)), disguised ? record.PartCrc
                                                                        : sealed  ? ~record.Crc
                                                                                  : record.Crc});
    // A record of a negative size matches no file.
    if (length < 0) files.back().crc = ~StreamCrc32({});
  }
  if (definition.implanted && !files.empty()) {
    CoveredFile& last = files.back();
    last.crc = Crc32Combine(last.crc, StreamCrc32(stored), stored.size());
    last.length += stored.size();
  }
  return files;
}

}  // namespace kivora
