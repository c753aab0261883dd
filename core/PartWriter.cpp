#include "core/PartWriter.h"

#include <algorithm>

#include "core/Crc32.h"
#include "core/CryptXor.h"
#include "core/KivoraError.h"
#include "core/Messages.h"
#include "core/SealedPayload.h"

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
                         std::optional<Sealing> seal, const WrittenBytes& written) {
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
  std::optional<PayloadSealer> sealer;
  if (pendant) {
    write(*pendant);
    sums.partCrc = StreamCrc32(*pendant);
  }
  if (seal) {
    sealer.emplace(*seal->cipher, seal->partIndex, size, seal->helper, seal->buffer);
  } else if (pendant) {
    scrambler.emplace(key, static_cast<std::uint64_t>(size));
  }
  std::uint32_t storedCrc = 0;  // of a sealed payload as written
  std::int64_t stored = 0;
  const auto writeSealed = [&](std::span<const std::uint8_t> bytes) {
    storedCrc = Crc32Update(storedCrc, bytes);
    stored += static_cast<std::int64_t>(bytes.size());
    write(bytes);
  };
  for (std::int64_t left = size; left > 0;) {
    if (StopRequested(stop)) {
      sums.stopped = true;
      return sums;  // the temporary file goes with `out`
    }
    const auto n =
        static_cast<size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
    const std::span<std::uint8_t> piece = chunk.first(n);
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.ReadExact(piece); });
    left -= static_cast<std::int64_t>(n);
    if (sealer) {
      writeSealed(sealer->Seal(piece));
      continue;
    }
    sums.crc = Crc32Update(sums.crc, piece);
    if (scrambler) scrambler->Apply(piece);
    write(piece);
  }
  if (sealer) {
    writeSealed(sealer->Finish());
    sums.crc = SealedRecordCrc(storedCrc);
    if (pendant)
      sums.partCrc = Crc32Combine(sums.partCrc, storedCrc, static_cast<std::uint64_t>(stored));
  } else if (scrambler) {
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
  record.Size =
      part.seal
          ? static_cast<std::int32_t>(SealedSize(part.size, part.seal->cipher->Params().chunkSize))
          : part.size;
  if (!disguised) {
    const PartChecksums sums = StreamPart(source, buffer, part.path, part.size, std::nullopt,
                                          part.key, {}, {}, stop, part.seal,
                                          written);
    if (sums.stopped) return std::nullopt;
    record.Crc = sums.crc;
    return record;
  }
  const int id = pool.ids.at(
      static_cast<size_t>(ChoosePendantIndex(static_cast<int>(pool.ids.size()), random)));
  const auto pendant = pool.set ? pool.set->Pendant(id) : std::nullopt;
  if (!pendant) throw KivoraError(std::string(msg::kReadPendantFailedSplit));
  const PartChecksums sums =
      StreamPart(source, buffer, part.path, part.size, *pendant, part.key, {}, {}, stop, part.seal,
                 written);
  if (sums.stopped) return std::nullopt;
  record.Crc = sums.crc;
  record.PartCrc = sums.partCrc;
  record.PendantNo = static_cast<std::int16_t>(id);
  record.PendantSize = static_cast<std::int32_t>(pendant->size());
  return record;
}

namespace {

// The checksums a sealed part would get, from the next `size` source bytes, without
// writing anything.
PartChecksums SealedChecksums(File& source, std::span<std::uint8_t> chunk, std::int64_t size,
                              std::optional<std::span<const std::uint8_t>> pendant,
                              const Sealing& seal, const StopCheck& stop) {
  PartChecksums sums;
  PayloadSealer sealer(*seal.cipher, seal.partIndex, size, seal.helper, seal.buffer);
  std::uint32_t storedCrc = 0;
  std::int64_t stored = 0;
  const auto add = [&](std::span<const std::uint8_t> bytes) {
    storedCrc = Crc32Update(storedCrc, bytes);
    stored += static_cast<std::int64_t>(bytes.size());
  };
  for (std::int64_t left = size; left > 0;) {
    if (StopRequested(stop)) {
      sums.stopped = true;
      return sums;
    }
    const auto n =
        static_cast<size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
    const std::span<std::uint8_t> piece = chunk.first(n);
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.ReadExact(piece); });
    left -= static_cast<std::int64_t>(n);
    add(sealer.Seal(piece));
  }
  add(sealer.Finish());
  sums.crc = SealedRecordCrc(storedCrc);
  if (pendant) {
    sums.partCrc =
        Crc32Combine(StreamCrc32(*pendant), storedCrc, static_cast<std::uint64_t>(stored));
  }
  return sums;
}

}  // namespace

RebuildResult RebuildPart(File& source, std::vector<std::uint8_t>& buffer,
                          const std::filesystem::path& path, const TKvrFileData& record,
                          bool disguised, const PendantSet* pendants, std::string_view key,
                          std::span<const std::uint8_t> trailer, const StopCheck& stop,
                          std::optional<Sealing> seal) {
  buffer.resize(kPartChunkBytes);
  std::optional<std::span<const std::uint8_t>> pendant;
  if (disguised) {
    pendant = pendants ? pendants->Pendant(record.PendantNo) : std::nullopt;
    if (!pendant) throw KivoraError(std::string(msg::kReadPendantFailedVerify));
  }
  const auto matches = [&](const PartChecksums& s) {
    return disguised ? s.partCrc == record.PartCrc : s.crc == record.Crc;
  };
  std::int64_t size = record.Size;
  if (seal) {
    const auto plain = PlainSize(record.Size, seal->cipher->Params().chunkSize);
    if (!plain) return RebuildResult::Mismatch;
    size = *plain;
    const std::int64_t start =
        WithMessage(msg::kCopyFromSourceFailed, [&] { return source.Tell(); });
    const PartChecksums dry = SealedChecksums(source, buffer, size, pendant, *seal, stop);
    if (dry.stopped) return RebuildResult::Stopped;
    if (!matches(dry)) return RebuildResult::Mismatch;
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.Seek(start); });
  }
  const PartChecksums sums =
      StreamPart(source, buffer, path, size, pendant, key, matches, trailer, stop, seal);
  if (sums.stopped) return RebuildResult::Stopped;
  return sums.written ? RebuildResult::Matched : RebuildResult::Mismatch;
}

}  // namespace kivora
