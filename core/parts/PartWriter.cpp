#include "core/parts/PartWriter.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/Crc32.h"
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
                                                  std::vector<std::uint8_t>* sealedOut) {
  if (sealer_) {
    const std::span<const std::uint8_t> sealed = sealer_->Seal(plain, sealedOut);
    storedCrc_ = Crc32Update(storedCrc_, sealed);
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
    storedCrc_ = Crc32Update(storedCrc_, last);
    stored_ += static_cast<std::int64_t>(last.size());
    sums_.crc = SealedRecordCrc(storedCrc_);
    if (pendant_) {
      sums_.partCrc = Crc32Combine(sums_.partCrc, storedCrc_, static_cast<std::uint64_t>(stored_));
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
  WithMessage(createFailed, [&] { out->Commit(); });
  sums.written = true;
  return sums;
}

RebuildResult RebuildPart(File& source, std::vector<std::uint8_t>& buffer,
                          const std::filesystem::path& path, const PartRecord& record,
                          bool disguised, const PendantSet* pendants, std::string_view key,
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
  std::int64_t size = record.Size;
  if (seal) {
    const auto plain = PlainSize(record.Size, seal->cipher->Params().chunkSize);
    if (!plain) return RebuildResult::Mismatch;
    size = *plain;
    const std::int64_t start =
        WithMessage(msg::kCopyFromSourceFailed, [&] { return source.Tell(); });
    // Sealed once without writing: the checksums must prove the source first.
    PartEncoder dry(size, pendant, {}, seal);
    if (!EncodeFromSource(source, buffer, size, dry, stop, {})) return RebuildResult::Stopped;
    dry.Finish();
    if (!matches(dry.Checksums())) return RebuildResult::Mismatch;
    WithMessage(msg::kCopyFromSourceFailed, [&] { source.Seek(start); });
  }
  const PartChecksums sums =
      StreamPart(source, buffer, path, size, pendant, key, matches, trailer, stop, seal);
  if (sums.stopped) return RebuildResult::Stopped;
  return sums.written ? RebuildResult::Matched : RebuildResult::Mismatch;
}

}  // namespace kivora
