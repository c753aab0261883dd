#include "core/parts/PartWriter.h"

#include <sodium.h>

#include <algorithm>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/Crc32.h"
#include "core/io/RangeCopy.h"
#include "core/parts/PartScan.h"
#include "core/parts/Rounding.h"
#include "core/payload/Scramblers.h"
#include "core/payload/SealedPayload.h"
#include "core/text/Messages.h"

namespace kivora {

MessageText CreatePartFailedText(bool disguised, bool sealed) {
  if (!disguised) return msg::kWritePartFailed;
  return sealed ? msg::kCreateScrambledFailed : msg::kCreateDisguisedFailed;
}

int ChoosePendantIndex(int count, Random& random) {
  int n = 0;
  while (n == 0) n = RoundHalfAway(static_cast<long double>(random.Draw(2 * count)) / 2.0L);
  return n - 1;
}

PartEncoder::PartEncoder(std::int64_t size, std::optional<std::span<const std::uint8_t>> pendant,
                         std::string_view key, const std::optional<Sealing>& seal)
    : size_(size), pendant_(pendant.has_value()) {
  if (pendant) sums_.partCrc = StreamCrc32(*pendant);
  if (seal) {
    sealer_.emplace(*seal->cipher, seal->partIndex, size, seal->helper, seal->buffer);
  } else if (pendant) {
    scrambler_.emplace(key, static_cast<std::uint64_t>(size));
  }
}

std::span<const std::uint8_t> PartEncoder::Encode(std::span<std::uint8_t> plain,
                                                  IoBuffer* sealedOut) {
  if (sealer_) {
    const std::span<const std::uint8_t> sealed = sealer_->Seal(plain, sealedOut);
    stored_ += static_cast<std::int64_t>(sealed.size());
    return sealed;
  }
  sums_.crc = Crc32Update(sums_.crc, plain);
  if (scrambler_) scrambler_->Apply(plain);
  return plain;
}

std::span<const std::uint8_t> PartEncoder::Finish() {
  if (sealer_) {
    const std::span<const std::uint8_t> last = sealer_->Finish();
    stored_ += static_cast<std::int64_t>(last.size());
    const std::uint32_t storedCrc = sealer_->SealedCrc();
    sums_.crc = SealedRecordCrc(storedCrc);
    if (pendant_) {
      sums_.partCrc = Crc32Combine(sums_.partCrc, storedCrc, static_cast<std::uint64_t>(stored_));
    }
    return last;
  }
  if (scrambler_) {
    // The scrambled payload's checksum follows from the plain one: no second pass.
    const auto n = static_cast<std::uint64_t>(size_);
    const std::uint32_t scrambledCrc = sums_.crc ^ scrambler_->KeystreamCrc(n) ^ Crc32OfZeros(n);
    sums_.partCrc = Crc32Combine(sums_.partCrc, scrambledCrc, n);
  }
  return {};
}

namespace {

PartChecksums StoppedChecksums() {
  PartChecksums sums;
  sums.stopped = true;
  return sums;
}

// Reads the next `size` source bytes through chunk into encoder, handing what it gives
// to `out` when given; false when `stop` ended it first.
bool EncodeFromSource(File& source, std::span<std::uint8_t> chunk, std::int64_t size,
                      PartEncoder& encoder, const StopCheck& stop, const WrittenBytes& out) {
  for (std::int64_t left = size; left > 0;) {
    if (StopRequested(stop)) return false;
    const auto n =
        static_cast<size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(chunk.size())));
    const std::span<std::uint8_t> piece = chunk.first(n);
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.ReadExact(piece); });
    left -= static_cast<std::int64_t>(n);
    const std::span<const std::uint8_t> encoded = encoder.Encode(piece);
    if (out) out(encoded);
  }
  return true;
}

}  // namespace

PartChecksums StreamPart(File& source, std::span<std::uint8_t> chunk,
                         const std::filesystem::path& path, std::int64_t size,
                         std::optional<std::span<const std::uint8_t>> pendant, std::string_view key,
                         const std::string& hiddenName,
                         const std::function<bool(const PartChecksums&)>& accept,
                         std::span<const std::uint8_t> trailer, const StopCheck& stop,
                         std::optional<Sealing> seal, const WrittenBytes& written) {
  const MessageText writeFailed = msg::kWritePartFailed;
  // Creating a disguised part, up to taking its final name, has a message of its own.
  const MessageText createFailed = CreatePartFailedText(pendant.has_value(), seal.has_value());
  std::optional<AtomicFile> out;
  WithMessage(createFailed, [&] { out.emplace(path); });
  const WrittenBytes write = [&](std::span<const std::uint8_t> bytes) {
    WithMessage(writeFailed, [&] { out->Write(bytes); });
    if (written) written(bytes);
  };

  PartEncoder encoder(size, pendant, key, seal);
  if (pendant) write(*pendant);
  // When stopped, the temporary file goes with `out`.
  if (!EncodeFromSource(source, chunk, size, encoder, stop, write)) return StoppedChecksums();
  write(encoder.Finish());
  PartChecksums sums = encoder.Checksums();
  if (accept && !accept(sums)) return sums;  // the temporary file goes with `out`
  write(trailer);
  WithMessage(createFailed, [&] { out->CommitHidden(hiddenName); });
  sums.written = true;
  return sums;
}

namespace {

// A sealed part is rebuilt in memory (a part holds at most 32 MiB): its nonces may seal
// only the bytes the record proves, so the sealed bytes reach the disk, even under a
// temporary name, only once their checksum agrees, and the plain bytes read are the
// very bytes sealed, whatever happens to the source meanwhile.
RebuildResult RebuildSealedPart(File& source, IoBuffer& plain, const std::filesystem::path& path,
                                const std::string& hiddenName, const PartRecord& record,
                                std::optional<std::span<const std::uint8_t>> pendant,
                                std::span<const std::uint8_t> trailer, const StopCheck& stop,
                                const Sealing& seal) {
  const auto size = PlainSize(record.Size, seal.cipher->Params().chunkSize);
  if (!size) return RebuildResult::Mismatch;
  plain.resize(static_cast<size_t>(*size));
  for (size_t at = 0; at < plain.size(); at += kPartChunkBytes) {
    if (StopRequested(stop)) return RebuildResult::Stopped;
    const std::span<std::uint8_t> piece =
        std::span(plain).subspan(at, std::min(kPartChunkBytes, plain.size() - at));
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.ReadExact(piece); });
  }
  PartEncoder encoder(*size, pendant, {}, seal);
  const std::span<const std::uint8_t> sealed = encoder.Encode(plain);
  const std::span<const std::uint8_t> last = encoder.Finish();
  sodium_memzero(plain.data(), plain.size());
  const PartChecksums& sums = encoder.Checksums();
  if (pendant ? sums.partCrc != record.PartCrc : sums.crc != record.Crc) {
    return RebuildResult::Mismatch;
  }
  const MessageText createFailed = CreatePartFailedText(pendant.has_value(), true);
  std::optional<AtomicFile> out;
  WithMessage(createFailed, [&] { out.emplace(path); });
  WithMessage(msg::kWritePartFailed, [&] {
    if (pendant) out->Write(*pendant);
    out->Write(sealed);
    out->Write(last);
    out->Write(trailer);
  });
  WithMessage(createFailed, [&] { out->CommitHidden(hiddenName); });
  return RebuildResult::Matched;
}

// A plain part is cloned from the source (RangeCopy.h: extents shared on btrfs and XFS)
// into its new file, then read there for its checksum: the bytes proved are the ones the
// file holds, whatever the source does meanwhile. Empty, leaving nothing, when the system
// refused the clone.
std::optional<RebuildResult> CopyPlainPart(File& source, IoBuffer& buffer,
                                           const std::filesystem::path& path,
                                           const std::string& hiddenName, const PartRecord& record,
                                           std::span<const std::uint8_t> trailer,
                                           const StopCheck& stop) {
  const std::int64_t start = source.Tell();
  std::optional<AtomicFile> out;
  WithMessage(msg::kWritePartFailed, [&] { out.emplace(path); });
  if (!WithMessage(msg::kCopyFromSourceFailed,
                   [&] { return CloneRange(source, start, record.Size, out->Stream(), 0); }))
    return std::nullopt;
  source.Seek(start + record.Size);
  const PartScan scan =
      ScanRange(out->Stream(), 0, record.Size, 0, record.Size, buffer, {.stop = stop});
  if (scan.stopped) return RebuildResult::Stopped;
  if (scan.wholeCrc != record.Crc) return RebuildResult::Mismatch;
  WithMessage(msg::kWritePartFailed, [&] { out->Stream().WriteAt(record.Size, trailer); });
  WithMessage(msg::kWritePartFailed, [&] { out->CommitHidden(hiddenName); });
  return RebuildResult::Matched;
}

}  // namespace

RebuildResult RebuildPart(File& source, IoBuffer& buffer, const std::filesystem::path& path,
                          const std::string& hiddenName, const PartRecord& record, bool disguised,
                          const PendantSet* pendants, std::string_view key,
                          std::span<const std::uint8_t> trailer, const StopCheck& stop,
                          std::optional<Sealing> seal) {
  buffer.resize(kPartChunkBytes);
  std::optional<std::span<const std::uint8_t>> pendant;
  if (disguised) {
    pendant = pendants ? pendants->Pendant(record.PendantNo) : std::nullopt;
    if (!pendant) throw KivoraError(msg::kReadPendantFailedVerify);
  }
  const auto matches = [&](const PartChecksums& s) {
    return disguised ? s.partCrc == record.PartCrc : s.crc == record.Crc;
  };
  if (seal) {
    return RebuildSealedPart(source, buffer, path, hiddenName, record, pendant, trailer, stop,
                             *seal);
  }
  if (!disguised && record.Size > 0) {
    const std::optional<RebuildResult> copied =
        CopyPlainPart(source, buffer, path, hiddenName, record, trailer, stop);
    if (copied) return *copied;
  }
  const std::int64_t size = record.Size;
  const PartChecksums sums = StreamPart(source, buffer, path, size, pendant, key, hiddenName,
                                        matches, trailer, stop, seal);
  if (sums.stopped) return RebuildResult::Stopped;
  return sums.written ? RebuildResult::Matched : RebuildResult::Mismatch;
}

}  // namespace kivora
