#include "core/parts/PartScan.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/payload/SealedPayload.h"
#include "core/text/Messages.h"
#include "core/threads/ParallelFor.h"
#include "core/threads/SharedStop.h"

namespace kivora {

std::int64_t ExpectedPartLength(const PartRecord& record, bool disguised) {
  return (disguised ? std::int64_t{record.PendantSize} : 0) + record.Size;
}

File OpenPartFile(const std::filesystem::path& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  // Only a regular file can be a part: a device would never end and a pipe would wait
  // for a writer. The opening checks the type again on the descriptor itself.
  if (ec || !std::filesystem::is_regular_file(status)) return File();
  return WithMessage(msg::kReadPartFailed242, [&] { return File::OpenRead(path); });
}

PartScan ScanPart(const std::filesystem::path& path, std::int64_t pendantSize,
                  std::int64_t payloadSize, IoBuffer& buffer, const ScanReading& reading) {
  File file = OpenPartFile(path);
  if (!file.IsOpen()) return PartScan{};
  return ScanRange(file, 0, INT64_MAX, pendantSize, payloadSize, buffer, reading);
}

PartScan ScanRange(File& file, std::int64_t start, std::int64_t length, std::int64_t pendantSize,
                   std::int64_t payloadSize, IoBuffer& buffer, const ScanReading& reading) {
  const auto& [sink, handsOnTail, stop, next, readBytes, whole] = reading;
  PartScan scan;
  scan.exists = true;
  // Three regions, each with its own checksum: pendant, payload, and what follows.
  const std::int64_t bounds[3] = {
      std::max<std::int64_t>(pendantSize, 0),
      std::max<std::int64_t>(pendantSize, 0) + std::max<std::int64_t>(payloadSize, 0), INT64_MAX};
  std::uint32_t crc[3] = {0, 0, 0};
  std::int64_t got[3] = {0, 0, 0};
  std::int64_t offset = 0;
  while (offset < length) {
    if (StopRequested(stop)) {
      scan.stopped = true;
      return scan;
    }
    std::span<std::uint8_t> into = whole;
    if (into.empty()) {
      IoBuffer& memory = next ? next() : buffer;
      memory.resize(static_cast<size_t>(
          std::min<std::int64_t>(static_cast<std::int64_t>(readBytes), length - offset)));
      into = memory;
    }
    const size_t n = static_cast<size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(WithMessage(msg::kReadPartFailed242,
                                              [&] { return file.ReadAt(start + offset, into); })),
        length - offset));
    if (n == 0) break;
    std::span<std::uint8_t> chunk(into.data(), n);
    while (!chunk.empty()) {
      const int region = offset < bounds[0] ? 0 : offset < bounds[1] ? 1 : 2;
      const auto take = static_cast<size_t>(
          std::min<std::int64_t>(static_cast<std::int64_t>(chunk.size()), bounds[region] - offset));
      const auto piece = chunk.first(take);
      crc[region] = Crc32Update(crc[region], piece);
      got[region] += static_cast<std::int64_t>(take);
      if (sink && (region == 1 || (region == 2 && handsOnTail))) sink(offset - bounds[0], piece);
      offset += static_cast<std::int64_t>(take);
      chunk = chunk.subspan(take);
    }
  }
  scan.size = offset;
  scan.payloadCrc = crc[1];
  scan.payloadBytes = got[1];
  const std::uint32_t prefix = Crc32Combine(crc[0], crc[1], static_cast<std::uint64_t>(got[1]));
  if (offset >= bounds[1]) scan.prefixCrc = prefix;
  scan.wholeCrc = Crc32Combine(prefix, crc[2], static_cast<std::uint64_t>(got[2]));
  return scan;
}

std::optional<std::uint32_t> RangeCrc32(File& file, std::int64_t start, std::int64_t length,
                                        IoBuffer& buffer, const StopCheck& stop) {
  const PartScan scan = ScanRange(file, start, length, 0, length, buffer, {.stop = stop});
  if (scan.stopped) return std::nullopt;
  if (scan.payloadBytes != length) throw KivoraError(msg::kFileShorterThanExpected(file.Path()));
  return scan.payloadCrc;
}

PartScan ScanRangeInHalves(File& file, std::int64_t start, std::int64_t length,
                           std::int64_t payloadSize, std::span<IoBuffer, 2> buffers,
                           const StopCheck& stop) {
  constexpr std::int64_t kPage = 4096;  // halves on pages: neither reads a page twice
  // A second thread's start costs about as much as reading and summing 256 KiB: smaller
  // halves are read on this thread alone.
  constexpr std::int64_t kSmallestHalf = 1 << 20;
  const std::int64_t half = std::min(length, payloadSize) / 2 / kPage * kPage;
  if (half < kSmallestHalf) {
    return ScanRange(file, start, length, 0, payloadSize, buffers[0], {.stop = stop});
  }
  SharedStop shared(stop);
  PartScan halves[2];
  ParallelFor(
      2,
      [&](int i, int thread) {
        const ScanReading reading{.stop = shared.For(thread)};
        IoBuffer& buffer = buffers[static_cast<size_t>(thread)];
        halves[i] = i == 0 ? ScanRange(file, start, half, 0, half, buffer, reading)
                           : ScanRange(file, start + half, length - half, 0, payloadSize - half,
                                       buffer, reading);
      },
      &shared);
  const PartScan& a = halves[0];
  const PartScan& b = halves[1];
  if (a.stopped || a.size < half) return a;  // stopped, or the file ends in the first half
  if (b.stopped) return b;
  PartScan scan;
  scan.exists = true;
  scan.size = a.size + b.size;
  scan.payloadBytes = a.payloadBytes + b.payloadBytes;
  scan.payloadCrc =
      Crc32Combine(a.payloadCrc, b.payloadCrc, static_cast<std::uint64_t>(b.payloadBytes));
  // The first half lies in the payload: its sum begins every sum of the whole.
  if (b.prefixCrc) {
    scan.prefixCrc =
        Crc32Combine(a.wholeCrc, *b.prefixCrc, static_cast<std::uint64_t>(b.payloadBytes));
  }
  scan.wholeCrc = Crc32Combine(a.wholeCrc, b.wholeCrc, static_cast<std::uint64_t>(b.size));
  return scan;
}

std::uint32_t ExpectedPartCrc(const PartRecord& record, bool disguised, bool sealed) {
  return disguised ? record.PartCrc : sealed ? ~record.Crc : record.Crc;
}

PartTestResult Verdict(const PartScan& scan, const PartRecord& record, bool disguised,
                       bool implanted, bool sealed) {
  if (!scan.exists) return PartTestResult::Missing;
  if (record.Size < 0 || (disguised && record.PendantSize < 0)) return PartTestResult::Corrupt;
  const std::uint32_t target = ExpectedPartCrc(record, disguised, sealed);
  if (scan.wholeCrc == target) return PartTestResult::Ok;
  if (scan.size > ExpectedPartLength(record, disguised) && scan.prefixCrc == target) {
    return implanted ? PartTestResult::Ok : PartTestResult::Fixable;
  }
  return PartTestResult::Corrupt;
}

bool PartMatchesCrc(std::span<const std::uint8_t> content, const PartRecord& record,
                    bool disguised) {
  return StreamCrc32(content) == (disguised ? record.PartCrc : record.Crc);
}

std::optional<PartTestResult> TestPart(const KvrDefinition& def, int index,
                                       const std::filesystem::path& path, IoBuffer& buffer,
                                       const StopCheck& stop, const SetCipher* cipher) {
  const PartRecord& record = def.parts.at(static_cast<size_t>(index));
  const bool disguised = def.header.Disguised;
  std::optional<PayloadOpener> opener;
  IoBuffer opened;  // what the chunks open to, not kept
  PartSink sink;
  if (cipher) {
    opener.emplace(*cipher, index, record.Size, nullptr, &opened);
    sink = [&](std::int64_t, std::span<std::uint8_t> bytes) { opener->Open(bytes); };
  }
  const PartScan scan = ScanPart(path, disguised ? record.PendantSize : 0, record.Size, buffer,
                                 {.sink = sink, .stop = stop});
  if (scan.stopped) return std::nullopt;
  const PartTestResult verdict =
      Verdict(scan, record, disguised, def.implanted, def.header.CipherKind == kSealedCipher);
  if (opener && verdict != PartTestResult::Missing && !opener->Authentic()) {
    return PartTestResult::Corrupt;
  }
  return verdict;
}

}  // namespace kivora
