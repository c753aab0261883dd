#include "core/parts/PartStream.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/RangeCopy.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {
// Small parts cost more to create and name than to fill: two writers share that work.
// Large parts are bound by copying, where a second writer only adds contention.
constexpr std::int64_t kSmallPartBytes = std::int64_t{64} * 1024;
// Blocks in flight: enough that reading runs ahead of writing a part or two.
constexpr int kBlocks = 8;
// Sealed parts are read in larger pieces: each piece is sealed on two threads, and the
// second thread's start costs less against more chunks.
constexpr size_t kSealReadBytes = size_t{1024} * 1024;
// Cloned parts' bytes are read ahead in blocks of this size, fewer hand-overs between
// the threads for larger blocks.
constexpr int kAheadBlocks = 4;
constexpr size_t kAheadBytes = size_t{1024} * 1024;
}  // namespace

AtomicFile::Placement PartStream::PlacementOf(const SplitPart& part) const {
  if (part.listedAsCreated) return AtomicFile::Placement::InPlaceIfFree;
  // A stream's count is open, so no intent lists its names ahead: its parts wait under
  // hidden names, which the next lock removes after a kill, until the set's commit.
  return source_.Size() ? AtomicFile::Placement::Beside : AtomicFile::Placement::Hidden;
}

PartStream::PartStream(SplitSource& source, bool sealed, bool plain, std::int64_t partBytes,
                       WriteBehind::HiddenNaming hiddenName)
    : source_(source),
      sealed_(sealed),
      // A source changed within the last second, or on a file system whose clones are not
      // known to order themselves after its writes, is copied: its parts then hold the
      // very bytes their checksums are of.
      copied_(plain && !sealed && source.Size() && partBytes >= kSmallPartBytes &&
              SettledStamp(source.SizedFile())),
      writer_(partBytes < kSmallPartBytes ? 2 : 1, kBlocks, kPartChunkBytes,
              AtomicFile::Durability::SyncLater, true, std::move(hiddenName)) {
  if (sealed_) plain_.resize(kSealReadBytes);
}

std::span<std::uint8_t> PartStream::NextPlain(std::int64_t max) {
  if (unread_.empty() && ahead_) {
    unread_ = WithMessage(msg::kCopyFromSourceFailed, [&] { return ahead_->Next(); });
    unreadOwned_ = true;
    // Read to its end, or stopped and handed out: the source is read here from there on.
    if (unread_.empty()) ahead_.reset();
  }
  if (unread_.empty()) {
    IoBuffer& block = sealed_ ? plain_ : writer_.TakeBlock();
    block.resize(sealed_ ? kSealReadBytes : kPartChunkBytes);
    const size_t n = WithMessage(msg::kCopyFromSourceFailed, [&] { return source_.Read(block); });
    if (n == 0) {
      throw KivoraError(msg::kCopyFromSourceFailed, msg::kFileShorterThanExpected(source_.Path()));
    }
    unread_ = std::span(block.data(), n);
    unreadOwned_ = sealed_;
  }
  const auto take =
      static_cast<size_t>(std::min<std::int64_t>(max, static_cast<std::int64_t>(unread_.size())));
  const std::span<std::uint8_t> piece = unread_.first(take);
  unread_ = unread_.subspan(take);
  return piece;
}

std::optional<PartRecord> PartStream::Add(SplitPart part, bool disguised, const PendantPool& pool,
                                          Random& random, const StopCheck& stop,
                                          const WrittenBytes& written) {
  PartRecord record;
  record.FileName = part.fileName;
  record.Size =
      part.seal
          ? static_cast<std::int32_t>(SealedSize(part.size, part.seal->cipher->Params().chunkSize))
          : part.size;
  std::optional<std::span<const std::uint8_t>> pendant;
  if (disguised) {
    const int id = pool.ids.at(
        static_cast<size_t>(ChoosePendantIndex(static_cast<int>(pool.ids.size()), random)));
    pendant = pool.set ? pool.set->Pendant(id) : std::nullopt;
    if (!pendant) throw KivoraError(msg::kReadPendantFailedSplit);
    record.PendantNo = static_cast<std::int16_t>(id);
    record.PendantSize = static_cast<std::int32_t>(pendant->size());
  }

  // Creating a disguised part, up to taking its final name, has a message of its own.
  const AtomicFile::Placement placement = PlacementOf(part);
  writer_.BeginFile(std::move(part.path),
                    {CreatePartFailedText(disguised, part.seal.has_value()), msg::kWritePartFailed},
                    placement);
  const auto put = [&](std::span<const std::uint8_t> bytes) {
    writer_.Write(bytes);
    if (written) written(bytes);
  };
  PartEncoder encoder(part.size, pendant, part.key, part.seal);
  if (pendant) {
    writer_.Write(*pendant, pool.set);  // the picture stays while a writer needs it
    if (written) written(*pendant);
  }
  // A cloned part's bytes are read only for its checksum. Once the system refused a clone
  // the parts are written: bytes read ahead for a clone are copied out.
  const bool cloned = copied_ && !writer_.CopyRefused();
  const bool first = cloned && !cloneTried_;
  if (first) {
    // The first clone comes before the source is read: it waits for writes to the source
    // under way (RangeCopy.h), so that from here on any change shows in the source's stamp.
    // Where the system refuses it, the part is copied through memory and the parts after
    // it are written from the blocks read, not read a second time.
    writer_.CopyFrom(source_.SizedFile(), partsEnd_, part.size);
    writer_.Drain();
    cloneTried_ = true;
    if (!writer_.CopyRefused()) {
      ahead_.emplace([this](std::span<std::uint8_t> block) { return source_.Read(block); },
                     kAheadBlocks, kAheadBytes);
    }
  }
  if (ahead_ && !cloned) ahead_->Stop();
  for (std::int64_t left = part.size; left > 0;) {
    if (StopRequested(stop)) return std::nullopt;
    const std::span<std::uint8_t> piece = NextPlain(left);
    left -= static_cast<std::int64_t>(piece.size());
    if (sealed_) {
      put(encoder.Encode(piece, &writer_.TakeBlock()));
      continue;
    }
    const std::span<const std::uint8_t> bytes = encoder.Encode(piece);
    if (cloned) {
      if (written) written(bytes);
    } else if (unreadOwned_) {
      writer_.WriteCopy(bytes);
      if (written) written(bytes);
    } else {
      put(bytes);
    }
  }
  if (cloned && !first) writer_.CopyFrom(source_.SizedFile(), partsEnd_, part.size);
  partsEnd_ += part.size;
  const std::span<const std::uint8_t> last = encoder.Finish();
  writer_.WriteCopy(last);
  if (written) written(last);
  writer_.EndFile();

  const PartChecksums& sums = encoder.Checksums();
  record.Crc = sums.crc;
  if (disguised) record.PartCrc = sums.partCrc;
  return record;
}

}  // namespace kivora
