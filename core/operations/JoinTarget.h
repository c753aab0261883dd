#pragma once
// Where a join puts the bytes it joined: a new file, written behind the reads and named
// only once complete, or a descriptor (a pipe) that gets each part only once it proved
// sound, since what went down a pipe cannot be taken back.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "core/io/File.h"
#include "core/parts/PartScan.h"

namespace kivora {

class JoinTarget {
 public:
  virtual ~JoinTarget() = default;

  // A buffer for bytes to hand to WriteAt (an opened sealed chunk); valid until the next
  // call.
  virtual IoBuffer& TakeBlock() = 0;
  // The buffers the part's reads go to, or none when one buffer of the caller's does.
  virtual NextBuffer Reads() = 0;
  // Puts bytes at offset of the joined data; bytes lie in TakeBlock()'s or Reads()'s
  // buffers.
  virtual void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) = 0;
  // Places the whole of the part file at `offset` of the joined data by reference
  // (RangeCopy.h: extents shared on btrfs and XFS), then reads the bytes placed: their
  // scan, as ScanPart's of a part of payloadSize bytes (exists false when the part is
  // missing). Empty, with nothing placed, when the target takes no such copy or the
  // system refused it; the part then goes through WriteAt. The bytes are proved where
  // they lie in the joined data, which only this join writes, or in the part when its
  // stamp proves it unchanged since the copy (SettledStamp), so a part changed during or
  // after the copy cannot slip in.
  virtual std::optional<PartScan> PlaceAndScan(const std::filesystem::path& /*part*/,
                                               std::int64_t /*offset*/,
                                               std::int64_t /*payloadSize*/, IoBuffer& /*buffer*/,
                                               const StopCheck& /*stop*/) {
    return std::nullopt;
  }
  // Cuts the joined data back to `length` bytes; the bytes of the current part only.
  virtual void CutTo(std::int64_t length) = 0;
  // The joined data up to `end` is proved: the current part is over. May throw the
  // failure of writing the part delivered before.
  virtual void Deliver(std::int64_t end) = 0;
  // Waits until every part delivered is written; throws the failure of the last.
  virtual void Flush() {}
  // Every part is delivered: the joined data is complete.
  virtual void Commit() = 0;
};

// Creates the joined file under a temporary name (AtomicFile): it takes `joined` at
// Commit() and is gone when dropped without it. Throws (241) when it cannot be created.
std::unique_ptr<JoinTarget> JoinToFile(const std::filesystem::path& joined);

// Writes to `descriptor`, which stays the caller's, each part whole once delivered; the
// current part is held in memory until then. A part is written on a thread of its own
// while the next one is read and proved, so at most two parts are held. `name` stands
// for the descriptor in messages. A failed write throws (243) with the system's reason
// (a reader that went away: EPIPE) at the next Deliver(), Flush() or Commit().
// `streamed`, when given, counts the bytes the descriptor took; read it once the target
// is gone or flushed.
std::unique_ptr<JoinTarget> JoinToDescriptor(int descriptor, std::filesystem::path name,
                                             std::int64_t* streamed = nullptr);

}  // namespace kivora
