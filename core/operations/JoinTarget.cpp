#include "core/operations/JoinTarget.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/WriteBehind.h"
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

  std::vector<std::uint8_t>& TakeBlock() override { return writer_.TakeBlock(); }
  NextBuffer Reads() override {
    return [this]() -> std::vector<std::uint8_t>& { return writer_.TakeBlock(); };
  }
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
    writer_.Write(bytes, offset);
    end_ = std::max(end_, offset + static_cast<std::int64_t>(bytes.size()));
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
  WriteBehind writer_;    // writes file_; stopped by the destructor before file_ closes
  std::int64_t end_ = 0;  // the file's length once everything queued is written
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

// Holds the current part in memory and writes it to the descriptor once delivered.
class DescriptorTarget final : public JoinTarget {
 public:
  DescriptorTarget(int descriptor, std::filesystem::path name)
      : out_(Duplicate(descriptor, name)) {}

  std::vector<std::uint8_t>& TakeBlock() override { return block_; }
  NextBuffer Reads() override { return {}; }  // bytes are copied into the part at once
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override {
    const std::int64_t at = offset - heldFrom_;
    if (at < 0) throw std::logic_error("join: bytes before the current part");
    reach_ = std::max(reach_, at + static_cast<std::int64_t>(bytes.size()));
    // Bytes past the limit are dropped: they can only be a tail that a fixable part
    // loses anyway; a part that would keep them fails at Deliver().
    const auto room = static_cast<size_t>(std::max<std::int64_t>(kMostHeld - at, 0));
    bytes = bytes.first(std::min(bytes.size(), room));
    if (bytes.empty()) return;
    const auto start = static_cast<size_t>(at);
    if (held_.size() < start + bytes.size()) held_.resize(start + bytes.size());
    std::memcpy(held_.data() + start, bytes.data(), bytes.size());
  }
  void CutTo(std::int64_t length) override {
    const std::int64_t keep = std::max<std::int64_t>(length - heldFrom_, 0);
    reach_ = std::min(reach_, keep);
    held_.resize(std::min(held_.size(), static_cast<size_t>(keep)));
  }
  void Deliver(std::int64_t end) override {
    const std::int64_t length = end - heldFrom_;
    if (length < 0 || length > reach_) throw std::logic_error("join: delivered bytes not held");
    if (length > static_cast<std::int64_t>(held_.size())) {
      throw KivoraError(msg::kWriteJoinedFailed243, msg::kPartTooLongToHold);
    }
    WithMessage(msg::kWriteJoinedFailed243, [&] {
      out_.Write(std::span<const std::uint8_t>(held_).first(static_cast<size_t>(length)));
    });
    heldFrom_ = end;
    reach_ = 0;
    held_.clear();  // its memory serves the next part
  }
  void Commit() override {}

 private:
  // Twice the longest part: room for a part and a tail as long as itself.
  static constexpr std::int64_t kMostHeld = std::int64_t{64} * 1024 * 1024;

  File out_;
  std::vector<std::uint8_t> held_;   // the current part's bytes, from heldFrom_
  std::vector<std::uint8_t> block_;  // where a sealed chunk opens
  std::int64_t heldFrom_ = 0;        // where the current part starts in the joined data
  std::int64_t reach_ = 0;           // the current part's length, dropped bytes included
};

}  // namespace

std::unique_ptr<JoinTarget> JoinToFile(const std::filesystem::path& joined) {
  return std::make_unique<FileTarget>(joined);
}

std::unique_ptr<JoinTarget> JoinToDescriptor(int descriptor, std::filesystem::path name) {
  return std::make_unique<DescriptorTarget>(descriptor, std::move(name));
}

}  // namespace kivora
