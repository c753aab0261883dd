#include "core/pipeline/WriteBehind.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/RangeCopy.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {
// Files handed over at the latest: small files flow to the writers without waiting for
// the caller's next block.
constexpr size_t kBatchFiles = 128;
// The buffer of a copy the kernel refused.
constexpr size_t kCopyBufferBytes = size_t{1024} * 1024;
}  // namespace

WriteBehind::WriteBehind(int writers, int blocks, size_t blockBytes,
                         AtomicFile::Durability durability, bool replaceLater,
                         HiddenNaming hiddenName)
    : blocks_(static_cast<size_t>(blocks)),
      pending_(static_cast<size_t>(blocks), 0),
      durability_(durability),
      replaceLater_(replaceLater),
      hiddenName_(std::move(hiddenName)) {
  for (auto& b : blocks_) b.reserve(blockBytes);
  for (int i = 0; i < writers; ++i) writers_.emplace_back([this] { Loop(); });
}

WriteBehind::~WriteBehind() { Abandon(); }

void WriteBehind::ThrowIfFailed() {
  if (failure_) std::rethrow_exception(failure_);
}

int WriteBehind::BlockOf(const std::uint8_t* p) const {
  for (size_t k = 0; k < blocks_.size(); ++k) {
    const std::uint8_t* start = blocks_[k].data();
    if (p >= start && p < start + blocks_[k].capacity()) return static_cast<int>(k);
  }
  return -1;
}

void WriteBehind::FlushLocked() {
  ThrowIfFailed();
  HandOverLocked();
}

void WriteBehind::HandOverLocked() {
  const auto count = [this](const std::vector<Piece>& pieces) {
    for (const Piece& p : pieces) {
      if (p.block >= 0) ++pending_[static_cast<size_t>(p.block)];
    }
    handedOver_ += pieces.size();
  };
  if (!stagedPieces_.empty() || stagedEnd_) {
    Job& last = jobs_.back();  // not ended, so not done
    count(stagedPieces_);
    for (Piece& p : stagedPieces_) last.pieces.push_back(std::move(p));
    last.ended = stagedEnd_;
    stagedPieces_.clear();
    stagedEnd_ = false;
  }
  for (Job& job : stagedJobs_) {
    count(job.pieces);
    jobs_.push_back(std::move(job));
  }
  stagedJobs_.clear();
  work_.notify_all();
}

void WriteBehind::Flush() {
  std::lock_guard lock(mutex_);
  FlushLocked();
}

void WriteBehind::Drain() {
  std::unique_lock lock(mutex_);
  FlushLocked();
  space_.wait(lock, [this] { return failure_ || released_ == handedOver_; });
  ThrowIfFailed();
}

IoBuffer& WriteBehind::TakeBlock() {
  std::unique_lock lock(mutex_);
  FlushLocked();
  size_t free = blocks_.size();
  space_.wait(lock, [&] {
    if (failure_) return true;
    for (free = 0; free < blocks_.size() && pending_[free] != 0; ++free) {
    }
    return free < blocks_.size();
  });
  ThrowIfFailed();
  return blocks_[free];
}

void WriteBehind::BeginFile(std::filesystem::path target, Messages messages,
                            AtomicFile::Placement placement) {
  Job job;
  job.index = begun_++;
  job.target = std::move(target);
  job.placement = placement;
  job.messages = std::move(messages);
  stagedJobs_.push_back(std::move(job));
}

void WriteBehind::BeginFile(File& file, Messages messages) {
  Job job;
  job.index = begun_++;
  job.target = file.Path();
  job.file = &file;
  job.messages = std::move(messages);
  stagedJobs_.push_back(std::move(job));
}

void WriteBehind::Queue(Piece piece) {
  if (failed_) Flush();  // rethrows
  (stagedJobs_.empty() ? stagedPieces_ : stagedJobs_.back().pieces).push_back(std::move(piece));
}

void WriteBehind::Write(std::span<const std::uint8_t> bytes, std::int64_t offset) {
  if (bytes.empty()) return;
  const int block = BlockOf(bytes.data());
  if (block < 0) throw std::logic_error("WriteBehind::Write: bytes outside the block ring");
  Queue(Piece{bytes, {}, {}, block, offset, false});
}

void WriteBehind::Write(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> owner) {
  if (bytes.empty()) return;
  Piece piece;
  piece.bytes = bytes;
  piece.owner = std::move(owner);
  Queue(std::move(piece));
}

void WriteBehind::WriteCopy(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  Piece piece;
  piece.copy.assign(bytes.begin(), bytes.end());
  piece.bytes = piece.copy;
  Queue(std::move(piece));
}

void WriteBehind::CopyFrom(const File& from, std::int64_t offset, std::int64_t length) {
  if (length <= 0) return;
  Piece piece;
  piece.copyFrom = &from;
  piece.copyOffset = offset;
  piece.copyLength = length;
  Queue(std::move(piece));
}

void WriteBehind::Truncate(std::int64_t length) {
  Piece piece;
  piece.offset = length;
  piece.truncate = true;
  Queue(std::move(piece));
}

void WriteBehind::EndFile() {
  if (stagedJobs_.empty()) {
    stagedEnd_ = true;
  } else {
    stagedJobs_.back().ended = true;
  }
  if (stagedJobs_.size() >= kBatchFiles || failed_) Flush();
}

int WriteBehind::Completed() {
  if (failed_) Flush();  // rethrows
  return jobsDone_;
}

void WriteBehind::Finish() {
  std::unique_lock lock(mutex_);
  FlushLocked();
  space_.wait(lock, [this] { return failure_ || jobs_.empty(); });
  ThrowIfFailed();
}

std::vector<WriteBehind::CommittedFile> WriteBehind::Abandon() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    work_.notify_all();
  }
  for (auto& w : writers_) w.join();
  writers_.clear();
  return std::exchange(committed_, {});
}

std::vector<WriteBehind::CommittedFile> WriteBehind::Settle(int failedAt) {
  {
    std::unique_lock lock(mutex_);
    HandOverLocked();
    failedIndex_ = std::min(failedIndex_, failedAt);
    work_.notify_all();  // writers waiting for bytes of a dropped file let it go
    // Every file before the failure was ended by the caller, so its writer finishes it.
    space_.wait(lock, [this] { return stop_ || jobsDone_ >= std::min(failedIndex_, begun_); });
  }
  std::vector<CommittedFile> kept;
  for (CommittedFile& f : Abandon()) {
    if (f.index < failedIndex_) {
      kept.push_back(std::move(f));
    } else {
      std::error_code ec;  // written after the failure, by the other writer
      std::filesystem::remove(f.Where(), ec);
    }
  }
  return kept;
}

void WriteBehind::Release(const std::vector<Piece>& pieces) {
  for (const Piece& p : pieces) {
    if (p.block >= 0) --pending_[static_cast<size_t>(p.block)];
  }
  released_ += pieces.size();
  // The caller may wait for a block or for every piece (Drain); a wait-free notify costs
  // no system call.
  if (!pieces.empty()) space_.notify_all();
}

void WriteBehind::Loop() {
  std::optional<Folder> folder;  // of the last new file, kept for the next
  std::unique_lock lock(mutex_);
  for (;;) {
    // Jobs are taken in order, so the taken ones lead the queue. Whole files that follow
    // a whole file are taken with it: many small files cost one round of the lock.
    work_.wait(lock, [&] { return stop_ || taken_ < jobs_.size(); });
    if (stop_) return;
    std::vector<Job*> batch{&jobs_[taken_++]};
    while (batch.front()->ended && batch.size() < kBatchFiles && taken_ < jobs_.size() &&
           jobs_[taken_].ended) {
      batch.push_back(&jobs_[taken_++]);
    }
    std::vector<bool> complete(batch.size(), false);
    if (batch.size() > 1) {
      complete = RunWhole(batch, lock, folder);
    } else if (Job& job = *batch.front(); job.index < failedIndex_) {
      // A file after one that failed is dropped; those before it are still written.
      try {
        complete[0] = Run(job, lock, folder);
      } catch (...) {
        if (!lock.owns_lock()) lock.lock();
        if (job.index < failedIndex_) {
          failedIndex_ = job.index;
          failure_ = std::current_exception();
        }
        failed_ = true;
        work_.notify_all();
      }
    }
    for (size_t i = 0; i < batch.size(); ++i) {
      if (complete[i] && !batch[i]->file) {
        committed_.push_back(
            {batch[i]->index, std::move(batch[i]->target), std::move(batch[i]->hidden)});
      }
    }
    if (stop_) return;
    for (Job* job : batch) job->done = true;
    while (!jobs_.empty() && jobs_.front().done) {
      jobs_.pop_front();
      --taken_;
      ++jobsDone_;
    }
    space_.notify_all();
  }
}

std::vector<bool> WriteBehind::RunWhole(const std::vector<Job*>& batch,
                                        std::unique_lock<std::mutex>& lock,
                                        std::optional<Folder>& folder) {
  std::vector<std::vector<Piece>> pieces;
  pieces.reserve(batch.size());
  for (Job* job : batch) pieces.push_back(std::exchange(job->pieces, {}));
  const int failedAt = failedIndex_;  // files from it on are dropped
  lock.unlock();
  std::vector<bool> complete(batch.size(), false);
  std::exception_ptr error;
  int errorIndex = INT_MAX;
  for (size_t i = 0; i < batch.size() && !stop_ && batch[i]->index < failedAt; ++i) {
    try {
      std::optional<AtomicFile> created;
      File& out = OpenJob(*batch[i], folder, created);
      WritePieces(*batch[i], out, pieces[i]);
      if (stop_) break;
      if (created) CommitJob(*batch[i], *created);
      complete[i] = true;
    } catch (...) {
      error = std::current_exception();
      errorIndex = batch[i]->index;
      break;  // the files behind it are dropped
    }
  }
  lock.lock();
  if (error) {
    if (errorIndex < failedIndex_) {
      failedIndex_ = errorIndex;
      failure_ = error;
    }
    failed_ = true;
    work_.notify_all();
  }
  for (const std::vector<Piece>& p : pieces) Release(p);
  return complete;
}

File& WriteBehind::OpenJob(Job& job, std::optional<Folder>& folder,
                           std::optional<AtomicFile>& created) {
  if (job.file) return *job.file;
  WithMessage(job.messages.create, [&] {
    // Compared as text: parsing paths costs more than small files.
    const std::string_view place = FolderView(job.target);
    if (!folder || folder->Path().native() != place) {
      folder.reset();
      folder.emplace(std::string(place), msg::kCreateFileFailed, job.target);
    }
    const std::string hidden = job.placement == AtomicFile::Placement::Hidden && hiddenName_
                                   ? hiddenName_(job.target)
                                   : std::string();
    // The target goes with the file, and comes back once it is committed (CommitJob).
    created.emplace(std::move(job.target), &*folder, job.placement, hidden);
  });
  return created->Stream();
}

void WriteBehind::CopyPiece(const Job& job, File& out, const Piece& piece) {
  WithMessage(job.messages.write, [&] {
    if (!copyRefused_) {
      const std::int64_t end = out.Tell();  // the pieces before went to the file's end
      if (CloneRange(*piece.copyFrom, piece.copyOffset, piece.copyLength, out, end)) {
        out.Seek(end + piece.copyLength);
        return;
      }
      copyRefused_ = true;
    }
    IoBuffer buffer(kCopyBufferBytes);
    if (CopyRangeThrough(buffer, *piece.copyFrom, piece.copyOffset, out, -1, piece.copyLength) <
        piece.copyLength) {
      throw KivoraError(msg::kFileShorterThanExpected(piece.copyFrom->Path()));
    }
  });
}

void WriteBehind::WritePieces(const Job& job, File& out, const std::vector<Piece>& pieces) {
  std::vector<std::span<const std::uint8_t>> run;  // pieces for the file's end, in one call
  const auto writeRun = [&] {
    WithMessage(job.messages.write, [&] { out.WriteGathered(run); });
    run.clear();
  };
  for (const Piece& piece : pieces) {
    if (!piece.truncate && !piece.copyFrom && piece.offset < 0) {
      run.push_back(piece.bytes);
      continue;
    }
    writeRun();
    if (piece.copyFrom) {
      CopyPiece(job, out, piece);
      continue;
    }
    WithMessage(job.messages.write, [&] {
      if (piece.truncate) {
        out.Truncate(piece.offset);
      } else {
        out.WriteAt(piece.offset, piece.bytes);
      }
    });
  }
  writeRun();
}

void WriteBehind::CommitJob(Job& job, AtomicFile& created) {
  WithMessage(job.messages.create, [&] {
    if (replaceLater_) {
      // A file in its target's place needs no hidden name: none is made for it.
      const bool named = created.InPlace() || !hiddenName_;
      job.hidden = created.CommitBeside(
          durability_, named ? std::string() : hiddenName_(created.Stream().Path()));
    } else {
      created.Commit(durability_);
    }
  });
  job.target = created.TakeTarget();
}

// Writes one job's pieces as they come; false when stopped first. Called and returning
// with the lock held; the job's target, file and messages do not change once handed over.
bool WriteBehind::Run(Job& job, std::unique_lock<std::mutex>& lock, std::optional<Folder>& folder) {
  std::vector<Piece> pieces = std::exchange(job.pieces, {});
  bool ended = job.ended;
  lock.unlock();
  std::optional<AtomicFile> created;
  File& out = OpenJob(job, folder, created);
  for (;;) {
    WritePieces(job, out, pieces);
    if (ended) break;
    lock.lock();
    Release(pieces);
    work_.wait(lock, [&] {
      return stop_ || job.index > failedIndex_ || !job.pieces.empty() || job.ended;
    });
    if (stop_ || job.index > failedIndex_) return false;  // a new file goes with `created`
    pieces = std::exchange(job.pieces, {});
    ended = job.ended;
    lock.unlock();
  }
  if (stop_) {
    lock.lock();
    return false;
  }
  if (created) CommitJob(job, *created);
  lock.lock();
  Release(pieces);
  return true;
}

}  // namespace kivora
