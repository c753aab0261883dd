#pragma once
// The parts of a split, written one after another from one source. The source is read
// once, in blocks that pass from part to part; each part is checksummed and encoded on
// the calling thread while writer threads write and name the parts before it. A part
// that takes a new name is not synced on its own: the caller syncs the file system
// (SyncFileSystem) before it writes what makes the parts a set, the definition. A part
// whose name is taken does not replace that file: it waits under a hidden name until
// the caller has every part and moves them over together (ReplaceFile).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/io/IoBuffer.h"
#include "core/parts/PartWriter.h"
#include "core/parts/SplitSource.h"
#include "core/pipeline/ReadAhead.h"
#include "core/pipeline/WriteBehind.h"

namespace kivora {

class PartStream {
 public:
  // Reads the bytes `source` releases, part by part; it must outlive this. sealed: the
  // parts are sealed, so the plain bytes are read apart from the blocks that are written.
  // plain: the parts hold the source's bytes as they are (neither disguised nor sealed);
  // parts of at least 64 KiB of a source of known size whose stamp has settled are then
  // cloned from it (RangeCopy.h: extents shared on btrfs and XFS where a part's offset
  // and length are multiples of the block size), and the source's bytes are read only
  // for the checksums, until the system refuses a clone. The caller compares the
  // source's stamp from before this with its stamp once the parts are written: a change
  // meanwhile shows there. partBytes: the parts' usual size.
  // A part that waits beside a taken name is named hiddenName(its path).
  PartStream(SplitSource& source, bool sealed, bool plain, std::int64_t partBytes,
             WriteBehind::HiddenNaming hiddenName);

  // Encodes the next part.size source bytes as a part, queues it for writing and
  // returns its record; empty when `stop` ended it. pool is used only when disguised; the
  // writers share its set until its picture is written. `written` sees the part's bytes
  // in order.
  std::optional<PartRecord> Add(SplitPart part, bool disguised, const PendantPool& pool,
                                Random& random, const StopCheck& stop = {},
                                const WrittenBytes& written = {});
  // How many parts, from the first, are on disk under their names.
  int Completed() { return writer_.Completed(); }
  // Waits until every part added is on disk; returns where each one is.
  std::vector<WriteBehind::CommittedFile> Finish() {
    writer_.Finish();
    return writer_.Abandon();
  }
  // Stops writing; parts not complete yet are dropped. Returns the parts on disk.
  std::vector<WriteBehind::CommittedFile> Abandon() { return writer_.Abandon(); }
  // After the part `failedAt` or a writer failed: completes the parts before the first
  // that failed and returns the parts on disk.
  std::vector<WriteBehind::CommittedFile> Settle(int failedAt) { return writer_.Settle(failedAt); }

 private:
  // The next source bytes, at most max.
  std::span<std::uint8_t> NextPlain(std::int64_t max);
  // Where the part's file waits until the split is whole (AtomicFile::Placement).
  AtomicFile::Placement PlacementOf(const SplitPart& part) const;

  SplitSource& source_;
  bool sealed_;
  bool copied_;  // parts are cloned from the source while the system lets them
  bool cloneTried_ = false;
  std::int64_t partsEnd_ = 0;  // where the next part starts in the source
  WriteBehind writer_;
  std::span<std::uint8_t> unread_;  // source bytes read and not used yet
  bool unreadOwned_ = false;        // unread_ lies in plain_ or ahead_, not a writer's block
  IoBuffer plain_;                  // where sealed parts' bytes are read
  // Where cloned parts' bytes are read, while the system lets them be cloned: their
  // checksums are taken while the next blocks are read.
  std::optional<ReadAhead> ahead_;
};

}  // namespace kivora
