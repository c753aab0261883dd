#include "core/recovery/RecoveryTrust.h"

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/LittleEndian.h"
#include "core/parts/PartScan.h"

namespace kivora {
namespace {

// The bytes a definition occupies in the file at path: all of it when it starts with
// "KV", otherwise the implanted block at its end (the scrambled definition, then its
// length). Throws KivoraError when the file cannot be read.
std::optional<std::vector<std::uint8_t>> StoredBytes(const std::filesystem::path& path) {
  File file = File::TryOpenRead(path);
  if (!file.IsOpen()) return std::nullopt;
  const std::int64_t size = file.Size();
  std::uint8_t head[2] = {0, 0};
  if (size >= 2) file.ReadExact(head);
  std::int64_t start = 0;
  if (head[0] != 'K' || head[1] != 'V') {
    if (size < 4) return std::nullopt;
    std::vector<std::uint8_t> raw(4);
    file.Seek(size - 4);
    file.ReadExact(raw);
    const std::int64_t length = LoadLittleEndian<std::uint32_t>(raw, 0);
    if (length <= 0 || length > size - 4) return std::nullopt;
    start = size - 4 - length;
  }
  if (size - start > kMaxDefinitionBytes) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<size_t>(size - start));
  file.Seek(start);
  file.ReadExact(bytes);
  return bytes;
}

}  // namespace

std::optional<DefinitionAsStored> ReadDefinitionAsStored(const std::filesystem::path& path,
                                                         const PendantProvider& pendants) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  try {
    std::optional<std::vector<std::uint8_t>> bytes = StoredBytes(path);
    if (!bytes) return std::nullopt;
    DefinitionAsStored stored{ReadDefinition(path, pendants), std::move(*bytes), 0};
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
