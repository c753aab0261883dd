#pragma once
// Placing a byte range of one file in another by reference: file systems that share
// extents (btrfs, XFS) clone the range (FICLONERANGE) when its offsets are multiples of
// their block size and its length is too or runs to the end of the source. Elsewhere
// (ext4, tmpfs, two file systems, a range off the blocks) the system refuses, and the
// bytes are copied through memory (CopyRangeThrough), which is faster there than a copy
// inside the kernel.

#include <cstdint>
#include <optional>
#include <span>

#include "core/io/File.h"

namespace kivora {

// Shares `length` bytes of `from` at `fromOffset` (0: up to its end) with `to` at
// `toOffset`; false, with nothing placed, when the system refuses. Throws KivoraError with
// the system's reason when reading or writing fails.
bool CloneRange(const File& from, std::int64_t fromOffset, std::int64_t length, File& to,
                std::int64_t toOffset);

// The stamp of `from`, taken before it is cloned, when comparing it with its stamp once
// the cloned bytes were read from `from` after a clone from it proves those are the
// bytes the clone placed. On btrfs and XFS a clone holds the file's lock, so it waits
// for writes under way, and it writes back what the page cache holds. This writes back
// the whole file first, which leaves pages mapped for writing read-only again. After
// both, every change to the file (a write, a store through a mapping, a truncation, a
// clone or hole punched into it) sets its change time. A change time at least a second
// old then differs from the one any later change sets, also where the clock ticks
// coarsely. Empty on other file systems and for a file changed within the last second:
// the clone's bytes are then read where they were placed, or not cloned.
std::optional<FileStamp> SettledStamp(const File& from);

// Copies up to `length` bytes of `from` at `fromOffset` through `buffer` to `to` at
// `toOffset` (-1: at the position of `to`, which moves on), ending early at the end of
// `from`; returns the bytes copied.
std::int64_t CopyRangeThrough(std::span<std::uint8_t> buffer, const File& from,
                              std::int64_t fromOffset, File& to, std::int64_t toOffset,
                              std::int64_t length);

}  // namespace kivora
