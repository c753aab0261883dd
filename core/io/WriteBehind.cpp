#include "core/io/WriteBehind.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/CommitNames.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {
// Files handed over at the latest: small files flow to the writers without waiting for
// the caller's next block.
constexpr size_t kBatchFiles = 32;
}  // namespace

WriteBehind::WriteBehind(int writers, int blocks, size_t blockBytes,
                         AtomicFile::Durability durability, bool replaceLater,
                         std::string hiddenSet)
    : blocks_(static_cast<size_t>(blocks)),
      pending_(static_cast<size_t>(blocks), 0),
      durability_(durability),
      replaceLater_(replaceLater),
      hiddenSet_(std::move(hiddenSet)) {
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

std::vector<std::uint8_t>& WriteBehind::TakeBlock() {
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

void WriteBehind::BeginFile(std::filesystem::path target, Messages messages) {
  Job job;
  job.index = begun_++;
  job.target = std::move(target);
  job.messages = messages;
  stagedJobs_.push_back(std::move(job));
}

void WriteBehind::BeginFile(File& file, Messages messages) {
  Job job;
  job.index = begun_++;
  job.target = file.Path();
  job.file = &file;
  job.messages = messages;
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
  bool freed = false;
  for (const Piece& p : pieces) {
    if (p.block >= 0) freed = --pending_[static_cast<size_t>(p.block)] == 0 || freed;
  }
  if (freed) space_.notify_one();
}

void WriteBehind::Loop() {
  std::optional<Folder> folder;  // of the last new file, kept for the next
  std::unique_lock lock(mutex_);
  for (;;) {
    // Jobs are taken in order, so the taken ones lead the queue.
    work_.wait(lock, [&] { return stop_ || taken_ < jobs_.size(); });
    if (stop_) return;
    Job& job = jobs_[taken_++];
    bool complete = false;
    // A file after one that failed is dropped; those before it are still written.
    if (job.index < failedIndex_) {
      try {
        complete = Run(job, lock, folder);
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
    // A file committed while the writers were being stopped is on disk all the same.
    if (complete && !job.file) {
      committed_.push_back({job.index, std::move(job.target), std::move(job.hidden)});
    }
    if (stop_) return;
    job.done = true;
    while (!jobs_.empty() && jobs_.front().done) {
      jobs_.pop_front();
      --taken_;
      ++jobsDone_;
    }
    space_.notify_all();
  }
}

// Writes one job's pieces as they come; false when stopped first. Called and returning
// with the lock held; the job's target, file and messages do not change once handed over.
bool WriteBehind::Run(Job& job, std::unique_lock<std::mutex>& lock, std::optional<Folder>& folder) {
  std::vector<Piece> pieces = std::exchange(job.pieces, {});
  bool ended = job.ended;
  lock.unlock();
  std::optional<AtomicFile> created;
  File* out = job.file;
  if (!out) {
    WithMessage(job.messages.create, [&] {
      // Compared as text: parsing paths costs more than small files.
      const std::string place = FolderText(job.target);
      if (!folder || folder->Path().native() != place) {
        folder.reset();
        folder.emplace(place, msg::kCreateFileFailed, job.target);
      }
      created.emplace(job.target, &*folder);
    });
    out = &created->Stream();
  }
  std::vector<std::span<const std::uint8_t>> run;  // pieces for the file's end, in one call
  const auto writeRun = [&] {
    WithMessage(job.messages.write, [&] { out->WriteGathered(run); });
    run.clear();
  };
  for (;;) {
    for (const Piece& piece : pieces) {
      if (!piece.truncate && piece.offset < 0) {
        run.push_back(piece.bytes);
        continue;
      }
      writeRun();
      WithMessage(job.messages.write, [&] {
        if (piece.truncate) {
          out->Truncate(piece.offset);
        } else {
          out->WriteAt(piece.offset, piece.bytes);
        }
      });
    }
    writeRun();
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
  if (created) {
    WithMessage(job.messages.create, [&] {
      if (replaceLater_) {
        job.hidden = created->CommitBeside(
            durability_,
            hiddenSet_.empty() ? std::string() : HiddenNameFor(hiddenSet_, NameText(job.target)));
      } else {
        created->Commit(durability_);
      }
    });
  }
  lock.lock();
  Release(pieces);
  return true;
}

}  // namespace kivora
