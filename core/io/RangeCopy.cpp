#include "core/io/RangeCopy.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "core/KivoraError.h"
#include "core/io/FileSystemCalls.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// The ways a system says it cannot share these blocks, rather than that a read or a write
// failed: no shared extents, two file systems, a range off the blocks, a file open in a way
// the call does not take.
bool Refusal(int err) {
  return err == EOPNOTSUPP || err == ENOTTY || err == EXDEV || err == EINVAL || err == ENOSYS ||
         err == EBADF || err == EPERM || err == ETXTBSY || err == EISDIR;
}

}  // namespace

bool CloneRange(const File& from, std::int64_t fromOffset, std::int64_t length, File& to,
                std::int64_t toOffset) {
  file_clone_range range{};
  range.src_fd = from.Descriptor();
  range.src_offset = static_cast<std::uint64_t>(fromOffset);
  range.src_length = static_cast<std::uint64_t>(length);
  range.dest_offset = static_cast<std::uint64_t>(toOffset);
  for (;;) {
    if (sys::CloneRange(to.Descriptor(), &range) == 0) return true;
    if (errno == EINTR) continue;
    if (Refusal(errno)) return false;
    throw KivoraError(DescribeIoError(to.Path(), msg::kWriteFileFailed, errno));
  }
}

std::optional<FileStamp> SettledStamp(const File& from) {
  struct statfs fs {};
  if (::fstatfs(from.Descriptor(), &fs) != 0 ||
      (fs.f_type != BTRFS_SUPER_MAGIC && fs.f_type != XFS_SUPER_MAGIC))
    return std::nullopt;
  if (::sync_file_range(
          from.Descriptor(), 0, 0,
          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) != 0)
    return std::nullopt;
  const FileStamp stamp = from.Stamp();
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  constexpr std::int64_t kSecond = 1'000'000'000;
  if (stamp.changedNs > std::int64_t{now.tv_sec} * kSecond + now.tv_nsec - kSecond)
    return std::nullopt;
  return stamp;
}

std::int64_t CopyRangeThrough(std::span<std::uint8_t> buffer, const File& from,
                              std::int64_t fromOffset, File& to, std::int64_t toOffset,
                              std::int64_t length) {
  std::int64_t done = 0;
  while (done < length) {
    const auto want = static_cast<size_t>(
        std::min<std::int64_t>(length - done, static_cast<std::int64_t>(buffer.size())));
    const size_t n = from.ReadAt(fromOffset + done, buffer.first(want));
    if (n == 0) break;
    if (toOffset < 0) {
      to.Write(buffer.first(n));
    } else {
      to.WriteAt(toOffset + done, buffer.first(n));
    }
    done += static_cast<std::int64_t>(n);
  }
  return done;
}

}  // namespace kivora
