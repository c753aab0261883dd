#include "core/PartWriter.h"

#include <algorithm>

#include "core/Crc32.h"
#include "core/CryptXor.h"
#include "core/KivoraError.h"
#include "core/Messages.h"

namespace kivora {

int ChoosePendantIndex(int count, Random& random) {
  int n = 0;
  while (n == 0) n = RoundHalfAway(static_cast<long double>(random.Draw(2 * count)) / 2.0L);
  return n - 1;
}

PartChecksums StreamPart(File& source, std::span<std::uint8_t> chunk,
                         const std::filesystem::path& path, std::int64_t size,
                         std::optional<std::span<const std::uint8_t>> pendant, std::string_view key,
                         const std::function<bool(const PartChecksums&)>& accept,
                         std::span<const std::uint8_t> trailer, const StopCheck& stop,
                         const WrittenBytes& written) {
  const std::string_view writeFailed = msg::kWritePartFailed;
  // Creating a disguised part, up to taking its final name, has a message of its own.
  const std::string_view createFailed = pendant ? msg::kCreateScrambledFailed : writeFailed;
  std::optional<AtomicFile> out;
  WithMessage(createFailed, [&] { out.emplace(path); });
  const auto write = [&](std::span<const std::uint8_t> bytes) {
    WithMessage(writeFailed, [&] { out->Write(bytes); });
    if (written) written(bytes);
  };

  PartChecksums sums;
  std::optional<BlockScrambler> scrambler;
  if (pendant) {
    write(*pendant);
    sums.partCrc = StreamCrc32(*pendant);
    scrambler.emplace(key, static_cast<std::uint64_t>(size));
  }
  for (std::int64_t left = size; left > 0;) {
    if (StopRequested(stop)) {
      sums.stopped = true;
      return sums;  // the temporary file goes with `out`
    }
    const auto n =
        static_cast<size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
    const std::span<std::uint8_t> piece = chunk.first(n);
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.ReadExact(piece); });
    sums.crc = Crc32Update(sums.crc, piece);
    if (scrambler) scrambler->Apply(piece);
    write(piece);
    left -= static_cast<std::int64_t>(n);
  }
  if (scrambler) {
    // The scrambled payload's checksum follows from the plain one: no second pass.
    const auto n = static_cast<std::uint64_t>(size);
    const std::uint32_t scrambledCrc = sums.crc ^ scrambler->KeystreamCrc(n) ^ Crc32OfZeros(n);
    sums.partCrc = Crc32Combine(sums.partCrc, scrambledCrc, n);
  }
  if (accept && !accept(sums)) return sums;  // the temporary file goes with `out`
  write(trailer);
  WithMessage(createFailed, [&] { out->Commit(); });
  sums.written = true;
  return sums;
}

std::optional<TKvrFileData> WritePart(File& source, std::vector<std::uint8_t>& buffer,
                                      const SplitPart& part, bool disguised,
                                      const PendantPool& pool, Random& random,
                                      const StopCheck& stop, const WrittenBytes& written) {
  buffer.resize(kPartChunkBytes);
  TKvrFileData record;
  record.FileName = part.fileName;
  record.Size = part.size;
  if (!disguised) {
    const PartChecksums sums = StreamPart(source, buffer, part.path, part.size, std::nullopt,
                                          part.key, {}, {}, stop, written);
    if (sums.stopped) return std::nullopt;
    record.Crc = sums.crc;
    return record;
  }
  const int id = pool.ids.at(
      static_cast<size_t>(ChoosePendantIndex(static_cast<int>(pool.ids.size()), random)));
  const auto pendant = pool.set ? pool.set->Pendant(id) : std::nullopt;
  if (!pendant) throw KivoraError(std::string(msg::kReadPendantFailedSplit));
  const PartChecksums sums =
      StreamPart(source, buffer, part.path, part.size, *pendant, part.key, {}, {}, stop, written);
  if (sums.stopped) return std::nullopt;
  record.Crc = sums.crc;
  record.PartCrc = sums.partCrc;
  record.PendantNo = static_cast<std::int16_t>(id);
  record.PendantSize = static_cast<std::int32_t>(pendant->size());
  return record;
}

RebuildResult RebuildPart(File& source, std::vector<std::uint8_t>& buffer,
                          const std::filesystem::path& path, const TKvrFileData& record,
                          bool disguised, const PendantSet* pendants, std::string_view key,
                          std::span<const std::uint8_t> trailer, const StopCheck& stop) {
  buffer.resize(kPartChunkBytes);
  std::optional<std::span<const std::uint8_t>> pendant;
  if (disguised) {
    pendant = pendants ? pendants->Pendant(record.PendantNo) : std::nullopt;
    if (!pendant) throw KivoraError(std::string(msg::kReadPendantFailedVerify));
  }
  const PartChecksums sums = StreamPart(
      source, buffer, path, record.Size, pendant, key,
      [&](const PartChecksums& s) {
        return disguised ? s.partCrc == record.PartCrc : s.crc == record.Crc;
      },
      trailer, stop);
  if (sums.stopped) return RebuildResult::Stopped;
  return sums.written ? RebuildResult::Matched : RebuildResult::Mismatch;
}

}  // namespace kivora
