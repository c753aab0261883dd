#include "PartWriter.h"

#include "Crc32.h"
#include "CryptXor.h"
#include "KivoraError.h"
#include "Messages.h"

namespace kivora {

int ChoosePendantIndex(int count, Random& random) {
  int n = 0;
  while (n == 0) n = RoundHalfAway(static_cast<long double>(random.Draw(2 * count)) / 2.0L);
  return n - 1;
}

void WritePlainPart(const std::filesystem::path& path, std::span<const std::uint8_t> payload) {
  WithMessage(msg::kWritePartFailed, [&] { WriteFileAtomically(path, payload); });
}

std::uint32_t WriteDisguisedPart(const std::filesystem::path& path,
                                 std::span<const std::uint8_t> pendant,
                                 std::span<std::uint8_t> payload, std::string_view key) {
  ScrambleStream(payload, key, kBlockCipherVersion);
  // The part's checksum comes from the bytes in memory, not from reading the file back.
  const std::uint32_t partCrc = Crc32Update(StreamCrc32(pendant), payload);
  WithMessage(msg::kCreateScrambledFailed, [&] {
    AtomicFile out(path);
    out.Write(pendant);
    out.Write(payload);
    out.Commit();
  });
  return partCrc;
}

TKvrFileData WritePart(File& source, std::vector<std::uint8_t>& buffer, const SplitPart& part,
                       bool disguised, const PendantPool& pool, Random& random) {
  buffer.resize(static_cast<size_t>(part.size));
  WithMessage(msg::kCopyFromSourceFailed, [&] { source.ReadExact(buffer); });

  TKvrFileData record;
  record.FileName = part.fileName;
  record.Size = part.size;
  record.Crc = StreamCrc32(buffer);
  if (!disguised) {
    WritePlainPart(part.path, buffer);
    return record;
  }
  const int id = pool.ids.at(static_cast<size_t>(
      ChoosePendantIndex(static_cast<int>(pool.ids.size()), random)));
  const auto pendant = pool.set ? pool.set->Pendant(id) : std::nullopt;
  if (!pendant) throw KivoraError(std::string(msg::kReadPendantFailedSplit));
  record.PartCrc = WriteDisguisedPart(part.path, *pendant, buffer, part.key);
  record.PendantNo = static_cast<std::int16_t>(id);
  record.PendantSize = static_cast<std::int32_t>(pendant->size());
  return record;
}

}  // namespace kivora
