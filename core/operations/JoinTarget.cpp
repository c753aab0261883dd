#include "core/operations/JoinTarget.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/IoBuffer.h"
#include "core/io/RangeCopy.h"
#include "core/pipeline/WriteBehind.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

// The joined file, written by a writer thread while the next part is read and decoded.
class FileTarget final : public JoinTarget {
 public:
  explicit FileTarget(const std::filesystem::path& joined)
      : file_(WithMessage(msg::kCreateJoinedFailed241, [&] { return AtomicFile(joined); })),
        writer_(1, kBlocks, kBlockBytes) {
    writer_.BeginFile(file_.Stream(), {msg::kWriteJoinedFailed243, msg::kWriteJoinedFailed243});
  }
  // The writer thread stops before the file it writes closes (and, not committed, goes).
  ~FileTarget() override { writer_.Abandon(); }

  IoBuffer& TakeBlock() override { return writer_.TakeBlock(); }
  NextBuffer Reads() override {
    return [this]() -> IoBuffer& { return writer_.TakeBlock(); };
  }
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
    writer_.Write(bytes, offset);
    end_ = std::max(end_, offset + static_cast<std::int64_t>(bytes.size()));
  }
  // Order: the writer finishes what went before; the part is cloned to the joined file's
  // end (its length is what the clone found, up to the part's end); then the placed range
  // is read, and its checksums are the part's verdict. Where the part's stamp proves it
  // unchanged from before the clone until it was read (SettledStamp), the part is read:
  // from the page cache when the set was just tested. Otherwise the range is read from
  // the joined file itself: what the part holds after the clone does not matter, since
  // only the bytes in the joined file are proved, and only this join writes that file.
  std::optional<PartScan> PlaceAndScan(const std::filesystem::path& path, std::int64_t offset,
                                       std::int64_t payloadSize, IoBuffer& buffer,
                                       const StopCheck& stop) override {
    if (cloneRefused_ || offset != end_) return std::nullopt;
    File part = OpenPartFile(path);
    if (!part.IsOpen()) return PartScan{};
    writer_.Drain();
    File& out = file_.Stream();
    const std::optional<FileStamp> settled = SettledStamp(part);
    const std::int64_t placed = WithMessage(msg::kWriteJoinedFailed243, [&]() -> std::int64_t {
      if (!CloneRange(part, 0, 0, out, offset)) return -1;
      return out.Size() - offset;
    });
    if (placed < 0) {
      cloneRefused_ = true;  // the next parts go through memory at once
      return std::nullopt;
    }
    end_ = offset + placed;
    if (settled) {
      const PartScan scan = ScanRangeInHalves(part, 0, placed, payloadSize, halves_, stop);
      if (part.Stamp() == *settled) return scan;
    }
    // The cloned range is not in the page cache: read past it (O_DIRECT), which takes half
    // the time where the file system allows it.
    const bool direct = OpenDirect();
    return ScanRange(
        direct ? direct_ : out, offset, placed, 0, payloadSize, buffer,
        {.stop = stop, .whole = direct ? std::span(directChunk_) : std::span<std::uint8_t>()});
  }
  // Opens direct_ and sizes directChunk_ once; false when the file system refuses O_DIRECT.
  bool OpenDirect() {
    if (!direct_.IsOpen() && !directRefused_) {
      const std::string self = "/proc/self/fd/" + std::to_string(file_.Stream().Descriptor());
      const int fd = ::open(self.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
      directRefused_ = fd < 0;
      if (fd >= 0) direct_ = File::Adopt(fd, file_.Stream().Path());
      directChunk_.resize(kDirectBytes);  // page-aligned, as O_DIRECT needs
    }
    return direct_.IsOpen();
  }
  void CutTo(std::int64_t length) override {
    if (length >= end_) return;
    writer_.Truncate(length);
    end_ = length;
  }
  void Deliver(std::int64_t) override {}  // the file takes its name only at Commit()
  void Commit() override {
    writer_.EndFile();
    writer_.Finish();
    WithMessage(msg::kWriteJoinedFailed243, [&] { file_.Commit(); });
  }

 private:
  static constexpr int kBlocks = 8;
  static constexpr size_t kBlockBytes = 256 * 1024;

  AtomicFile file_;
  WriteBehind writer_;         // writes file_; stopped by the destructor before file_ closes
  std::int64_t end_ = 0;       // the file's length once everything queued is written
  bool cloneRefused_ = false;  // the system refused to clone a part
  static constexpr size_t kDirectBytes = 1024 * 1024;
  File direct_;  // the joined file once more, read with O_DIRECT
  bool directRefused_ = false;
  IoBuffer directChunk_;
  std::array<IoBuffer, 2> halves_;  // where settled parts are read, half by each thread
};

// A copy of the caller's descriptor, so closing it leaves the caller's open.
File Duplicate(int descriptor, const std::filesystem::path& name) {
  const int copy = ::dup(descriptor);
  if (copy < 0) {
    throw KivoraError(msg::kWriteJoinedFailed243,
                      DescribeIoError(name, msg::kWriteFileFailed, errno));
  }
  return File::Adopt(copy, name);
}

// Twice the longest part: room for a part and a tail as long as itself.
constexpr size_t kMostHeld = size_t{64} * 1024 * 1024;
// The pipe buffer asked for: the usual most an unprivileged process may set.
constexpr int kPipeBytes = 1024 * 1024;

// The bytes of one part, in memory taken once for the longest: growing writes no zeros
// but over a gap left behind, and moves nothing.
class HeldBytes {
 public:
  std::span<const std::uint8_t> View() const { return {memory_.get(), size_}; }
  size_t Size() const { return size_; }
  // bytes end within kMostHeld.
  void Put(size_t at, std::span<const std::uint8_t> bytes) {
    if (!memory_) memory_ = std::make_unique_for_overwrite<std::uint8_t[]>(kMostHeld);
    if (at > size_) std::memset(memory_.get() + size_, 0, at - size_);  // as a file's hole
    std::memcpy(memory_.get() + at, bytes.data(), bytes.size());
    size_ = std::max(size_, at + bytes.size());
  }
  void CutTo(size_t size) { size_ = std::min(size_, size); }

 private:
  std::unique_ptr<std::uint8_t[]> memory_;
  size_t size_ = 0;
};

// Holds the current part in memory and writes it to the descriptor once delivered, on a
// thread of its own while the next part is read.
class DescriptorTarget final : public JoinTarget {
 public:
  DescriptorTarget(int descriptor, std::filesystem::path name, std::int64_t* streamed)
      : out_(Duplicate(descriptor, name)), streamed_(streamed) {
    // A pipe with room for more than its usual 64 KiB wakes its reader less often. Only
    // a speed-up: a descriptor that is no pipe, or a limit below it, leaves it as it is.
    ::fcntl(out_.Descriptor(), F_SETPIPE_SZ, kPipeBytes);
  }
  // A write under way is waited for: its bytes are the caller's to have.
  ~DescriptorTarget() override {
    if (writing_.valid()) writing_.wait();
  }
  DescriptorTarget(const DescriptorTarget&) = delete;
  DescriptorTarget& operator=(const DescriptorTarget&) = delete;

  IoBuffer& TakeBlock() override { return block_; }
  NextBuffer Reads() override { return {}; }  // bytes are copied into the part at once
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
    const std::int64_t at = offset - heldFrom_;
    if (at < 0) throw std::logic_error("join: bytes before the current part");
    reach_ = std::max(reach_, at + static_cast<std::int64_t>(bytes.size()));
    // Bytes past the limit are dropped: they can only be a tail that a fixable part
    // loses anyway; a part that would keep them fails at Deliver().
    const auto start = static_cast<size_t>(at);
    if (start >= kMostHeld) return;
    held_.Put(start, bytes.first(std::min(bytes.size(), kMostHeld - start)));
  }
  void CutTo(std::int64_t length) override {
    const std::int64_t keep = std::max<std::int64_t>(length - heldFrom_, 0);
    reach_ = std::min(reach_, keep);
    held_.CutTo(static_cast<size_t>(keep));
  }
  void Deliver(std::int64_t end) override {
    const std::int64_t length = end - heldFrom_;
    if (length < 0 || length > reach_) throw std::logic_error("join: delivered bytes not held");
    if (length > static_cast<std::int64_t>(held_.Size())) {
      throw KivoraError(msg::kWriteJoinedFailed243, msg::kPartTooLongToHold);
    }
    Flush();
    held_.CutTo(static_cast<size_t>(length));
    std::swap(held_, sending_);  // the old part's memory serves the next
    writing_ = std::async(std::launch::async, [this] {
      WithMessage(msg::kWriteJoinedFailed243, [&] { out_.Write(sending_.View(), streamed_); });
    });
    heldFrom_ = end;
    reach_ = 0;
    held_.CutTo(0);
  }
  void Flush() override {
    if (writing_.valid()) writing_.get();
  }
  void Commit() override { Flush(); }

 private:
  File out_;
  std::int64_t* streamed_;     // written by writing_'s thread only
  HeldBytes held_;             // the current part's bytes, from heldFrom_
  HeldBytes sending_;          // the part delivered last, while writing_ writes it
  IoBuffer block_;             // where a sealed chunk opens
  std::future<void> writing_;  // writes sending_ to out_
  std::int64_t heldFrom_ = 0;  // where the current part starts in the joined data
  std::int64_t reach_ = 0;     // the current part's length, dropped bytes included
};

}  // namespace

std::unique_ptr<JoinTarget> JoinToFile(const std::filesystem::path& joined) {
  return std::make_unique<FileTarget>(joined);
}

std::unique_ptr<JoinTarget> JoinToDescriptor(int descriptor, std::filesystem::path name,
                                             std::int64_t* streamed) {
  return std::make_unique<DescriptorTarget>(descriptor, std::move(name), streamed);
}

}  // namespace kivora
