#pragma once
// Writes files on writer threads while the caller reads and encodes the next bytes.
// The caller fills blocks from a small ring and queues spans of them for a file; a block
// comes back to the ring once every span of it is written. Bytes from outside the ring
// are copied, or pinned by their owner until they are written. New files are written under no name
// and take their target name only when complete (AtomicFile), each by one writer, in the order
// their bytes were queued. The caller's requests are handed over in batches (when it takes a block,
// every few files, and at the end), and a writer takes whole files queued one after another
// together, so small files cost no locking each. A writer's failure is rethrown to the caller
// at a later call.

#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"

namespace kivora {

class WriteBehind {
 public:
  // The headlines of a file's failures: creating or naming it, and writing it.
  struct Messages {
    MessageText create;
    MessageText write;
  };

  // A file written here, in the order files were begun (from 0).
  struct CommittedFile {
    int index = 0;
    std::filesystem::path target;
    // With replaceLater, a file whose target's name was taken waits under this hidden
    // name beside it, for ReplaceFile; empty when the file has its target's name.
    std::filesystem::path hidden;
    bool Replaces() const { return !hidden.empty(); }
    const std::filesystem::path& Where() const { return Replaces() ? hidden : target; }
  };

  // The name a new file of `target` waits under beside it; called on the writer threads.
  using HiddenNaming = std::function<std::string(const std::filesystem::path& target)>;

  // New files are committed with `durability` (AtomicFile). With replaceLater a new
  // file whose name is taken does not replace that file but waits beside it, under
  // hiddenName(its target) when given (a set's, core/set/SetTransaction.h).
  WriteBehind(int writers, int blocks, size_t blockBytes,
              AtomicFile::Durability durability = AtomicFile::Durability::SyncNow,
              bool replaceLater = false, HiddenNaming hiddenName = {});
  ~WriteBehind();  // as Abandon()
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // A free block to fill (its size is the caller's; it has blockBytes reserved). The
  // caller gives up the block it took before, which goes back to the ring once its
  // queued spans are written. Waits while every block is queued.
  IoBuffer& TakeBlock();

  // Starts a new file that takes the name target once its bytes are written; with
  // InPlaceIfFree one whose name is free is written under it (AtomicFile::Placement).
  void BeginFile(std::filesystem::path target, Messages messages,
                 AtomicFile::Placement placement = AtomicFile::Placement::Beside);
  // Starts writing into a file the caller keeps open and leaves alone until Finish().
  void BeginFile(File& file, Messages messages);
  // Queues bytes for the file begun last: at its end, or (offset >= 0) at that offset.
  // The bytes lie in a block taken from here; other bytes are refused (std::logic_error).
  void Write(std::span<const std::uint8_t> bytes, std::int64_t offset = -1);
  // Queues bytes that `owner` keeps alive; the pipeline holds `owner` until they are
  // written.
  void Write(std::span<const std::uint8_t> bytes, std::shared_ptr<const void> owner);
  // Queues a copy of bytes: for bytes that do not stay.
  void WriteCopy(std::span<const std::uint8_t> bytes);
  // Queues `length` bytes of `from` at `offset`, cloned (RangeCopy.h: extents shared on
  // btrfs and XFS), or read and written where the system refuses; `from` stays open until
  // they are written.
  void CopyFrom(const File& from, std::int64_t offset, std::int64_t length);
  // True once the system refused to clone for a file here: later bytes are better written.
  bool CopyRefused() const { return copyRefused_; }
  // Queues cutting the file begun last to length bytes.
  void Truncate(std::int64_t length);
  // No more bytes for the file begun last: a new file is committed once written.
  void EndFile();

  // How many files, counted from the first begun, are complete.
  int Completed();
  // Hands what was asked so far to the writers.
  void Flush();
  // Hands over and waits until every piece queued so far is written (the file begun last
  // stays open): for the caller to write the file itself next.
  void Drain();
  // Waits until every file begun is complete.
  void Finish();
  // Stops the writers; files not committed yet are dropped. Returns the new files
  // that were committed.
  std::vector<CommittedFile> Abandon();
  // After a failure, the caller's own at file `failedAt` or a writer's: waits until
  // every file begun before the first that failed is complete, drops the rest (removing
  // those another writer completed meanwhile), stops the writers and returns the new
  // files before the failure. Throws nothing.
  std::vector<CommittedFile> Settle(int failedAt);

 private:
  struct Piece {
    std::span<const std::uint8_t> bytes;
    std::vector<std::uint8_t> copy;     // owned bytes, when bytes point into it
    std::shared_ptr<const void> owner;  // keeps bytes from outside the ring alive
    int block = -1;
    std::int64_t offset = -1;
    bool truncate = false;
    const File* copyFrom = nullptr;  // bytes copied from this file (CopyFrom)
    std::int64_t copyOffset = 0;
    std::int64_t copyLength = 0;
  };
  // A job is shared once handed over (HandOverLocked): its index, file and messages do
  // not change after that, so its writer reads them without mutex_; its target is its
  // writer's alone.
  struct Job {
    int index = 0;
    std::filesystem::path target;
    File* file = nullptr;  // the caller's file, or null for a new one
    AtomicFile::Placement placement = AtomicFile::Placement::Beside;  // of a new file
    Messages messages;
    std::vector<Piece> pieces;     // guarded by mutex_ once handed over
    bool ended = false;            // guarded by mutex_ once handed over
    bool done = false;             // guarded by mutex_
    std::filesystem::path hidden;  // its writer's, where a new file waits to replace its target
  };

  void Loop();
  bool Run(Job& job, std::unique_lock<std::mutex>& lock, std::optional<Folder>& folder);
  // Runs jobs whose pieces are all handed over, with one round of the lock for them all;
  // says which ones were committed. Called and returning with the lock held.
  std::vector<bool> RunWhole(const std::vector<Job*>& batch, std::unique_lock<std::mutex>& lock,
                             std::optional<Folder>& folder);
  // Without the lock: the file a job writes (its new file goes into `created`), writing
  // pieces to it, and committing a new file.
  File& OpenJob(Job& job, std::optional<Folder>& folder, std::optional<AtomicFile>& created);
  void WritePieces(const Job& job, File& out, const std::vector<Piece>& pieces);
  void CopyPiece(const Job& job, File& out, const Piece& piece);
  void CommitJob(Job& job, AtomicFile& created);
  void Queue(Piece piece);
  void FlushLocked();                              // rethrows a failure first
  void HandOverLocked();                           // as FlushLocked, throwing nothing
  void ThrowIfFailed();                            // with the lock held
  void Release(const std::vector<Piece>& pieces);  // with the lock held
  int BlockOf(const std::uint8_t* p) const;

  // The caller's requests not handed over yet: new jobs, and pieces and the end of the
  // last job handed over. The caller's thread only.
  std::vector<Job> stagedJobs_;
  std::vector<Piece> stagedPieces_;
  bool stagedEnd_ = false;

  std::mutex mutex_;
  std::condition_variable work_;   // writers wait for jobs and pieces, under mutex_
  std::condition_variable space_;  // the caller waits for blocks and the end, under mutex_
  // Fixed in number and capacity from the constructor on, so the caller finds a block
  // without mutex_; a block's bytes are the caller's until queued, then the writers' until
  // its pending_ count is back to 0.
  std::vector<IoBuffer> blocks_;
  std::vector<int> pending_;  // guarded by mutex_: queued spans per block
  // Guarded by mutex_: pieces handed to the writers, and those written (or dropped).
  std::uint64_t handedOver_ = 0;
  std::uint64_t released_ = 0;
  // Set by a writer when the system refused to clone: later copies go through memory at
  // once.
  std::atomic<bool> copyRefused_ = false;
  std::deque<Job> jobs_;  // guarded by mutex_: from the first job not done yet
  size_t taken_ = 0;      // guarded by mutex_: jobs_ a writer has taken
  // Written by the writers under mutex_; the caller reads it without (Completed).
  std::atomic<int> jobsDone_ = 0;  // jobs before jobs_.front()
  int begun_ = 0;                  // the caller's thread only: files begun by the caller
  // Guarded by mutex_ while the writers run; Abandon takes it once they have stopped.
  std::vector<CommittedFile> committed_;
  std::exception_ptr failure_;  // guarded by mutex_
  // Guarded by mutex_ while the writers run: the first file that failed; files from it on
  // are dropped.
  int failedIndex_ = INT_MAX;
  // Set under mutex_; read without it, by the caller to rethrow early (failed_) and by a
  // writer between writes (stop_).
  std::atomic<bool> failed_ = false;
  std::atomic<bool> stop_ = false;
  AtomicFile::Durability durability_;  // set by the constructor, read by the writers
  bool replaceLater_;                  // set by the constructor, read by the writers
  const HiddenNaming hiddenName_;
  std::vector<std::thread> writers_;  // the caller's thread only
};

}  // namespace kivora
