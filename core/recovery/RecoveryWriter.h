#pragma once
// Writing the recovery parts of a split. The parity of a group grows as the split writes
// the group's parts, so no part is read back; the group's recovery parts are written as
// soon as its last part is. The coding runs on a thread of its own beside the split, which
// hands it copies of the bytes it writes in batches of up to 4 MiB. A batch is coded
// column by column, every part's bytes of a column in turn, so the parity of that column
// stays in the cache while the batch's parts are added to it. Memory: the parity of one
// group (R x the group's longest part) and four batches. The recovery parts are written
// under the hidden names of the set's transaction (core/set/SetTransaction.h), so that the
// sweep of the set's next lock removes what a killed run left. Finish adds the definition's
// copy and checksum; HandOver then marks them complete in the transaction, whose commit
// names them, so no recovery part is ever seen incomplete under its name. Those not handed
// over when the writer goes are removed.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "core/format/RecoveryFormat.h"
#include "core/recovery/GrowableBuffer.h"
#include "core/recovery/RecoveryCode.h"
#include "core/recovery/StripeCrcs.h"
#include "core/set/SetTransaction.h"
#include "core/threads/StopCheck.h"

namespace kivora {

// What every recovery part of a set says about the set, known before the first part.
struct RecoverySetInfo {
  std::filesystem::path folder;
  std::string setName;  // SetNames::LockName
  RecoveryNaming naming;
  std::string sourceName;
  std::uint64_t sourceSize = 0;
  bool implanted = false;
  bool disguised = false;
  std::string definitionName;
};

struct WrittenRecoveryFile {
  std::filesystem::path path;
  std::uint64_t size = 0;
};

class RecoveryWriter {
 public:
  static constexpr std::size_t kDefaultBatchBytes = 4 * 1024 * 1024;

  // `batchBytes`: how many bytes the split hands over at once (see above). The recovery
  // parts are registered with `transaction`, which must outlive the writer.
  RecoveryWriter(RecoveryPlan plan, RecoverySetInfo set, SetTransaction& transaction,
                 std::size_t batchBytes = kDefaultBatchBytes);
  ~RecoveryWriter();
  RecoveryWriter(const RecoveryWriter&) = delete;
  RecoveryWriter& operator=(const RecoveryWriter&) = delete;

  // The picture in front of every recovery part of a disguised set.
  void SetPendant(std::span<const std::uint8_t> pendant);
  // The next bytes of part `part` as they go to disk (pendant, payload, and the
  // implanted definition of the last part). Parts come in order.
  void Append(int part, std::span<const std::uint8_t> bytes);
  // Part `part` is complete: when it closes its group, the coding thread writes the
  // group's recovery parts once it has coded it; the last part's group waits for Finish,
  // since the implanted definition may still follow. Throws KivoraError (160), of this
  // or an earlier group.
  void PartDone(int part);
  // Writes what is still open, then the definition's copy and checksum into every
  // recovery part; they stay under their hidden names. False when `stop` ended it.
  // Throws KivoraError (160).
  bool Finish(std::span<const std::uint8_t> definition, const StopCheck& stop);
  // Marks the complete recovery parts, in order, complete in the transaction, which
  // settles them from here on: the writer no longer removes them.
  void HandOver();

  // The complete recovery parts so far, in order, by the paths they take in the commit.
  const std::vector<WrittenRecoveryFile>& Written() const { return written_; }

 private:
  // A run of the bytes of one part, inside one column of the part (see kColumnBytes).
  struct Piece {
    int part = 0;
    std::uint64_t offset = 0;  // in the part
    std::size_t start = 0;     // in the batch's bytes
    std::size_t length = 0;
  };
  // Bytes of one group's parts, in the order they came.
  struct Batch {
    int group = -1;
    bool closesGroup = false;  // the group's recovery parts follow its coding
    GrowableBuffer memory;     // of batchBytes_, taken when first filled
    std::size_t filled = 0;
    std::vector<Piece> pieces;
  };
  // Hands the batch being filled to the coding thread, even when it holds no bytes (its
  // group is then still set up). Waits for a free batch.
  void Submit();
  // On the coding thread.
  void Run();
  void Encode(const Batch& batch);
  // Waits until every byte handed over is coded; rethrows what failed there.
  void Drain();
  void WriteGroup(int group);
  // Where the recovery part of `path` waits until the set's commit names it.
  std::filesystem::path HiddenPath(const std::filesystem::path& path);

  RecoveryPlan plan_;
  RecoverySetInfo set_;
  SetTransaction& transaction_;
  std::size_t batchBytes_;
  // Set before the first group is handed over.
  std::vector<std::uint8_t> pendant_;
  std::uint32_t pendantCrc_ = 0;
  // Filled by the split's thread.
  Batch filling_;
  int appendPart_ = -1;
  std::uint64_t appendOffset_ = 0;
  // The coding thread's until Drain returns (or the thread has ended).
  std::optional<RecoveryCode> code_;
  int group_ = -1;                  // being coded
  std::vector<BlockCrcs> covered_;  // of the group's parts
  std::vector<GrowableBuffer> parity_;
  std::vector<std::uint8_t*> pointers_;
  std::vector<std::size_t> order_;
  std::vector<RecoveryHeader> headers_;      // of the files written, definition still unknown
  std::deque<WrittenRecoveryFile> pending_;  // written under hidden names, in order
  int nextGroupToWrite_ = 0;
  // Finish's.
  std::vector<WrittenRecoveryFile> written_;
  bool handedOver_ = false;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> queue_;     // guarded by mutex_
  std::vector<Batch> free_;     // guarded by mutex_
  bool busy_ = false;           // guarded by mutex_
  bool closing_ = false;        // guarded by mutex_
  std::exception_ptr failure_;  // guarded by mutex_
  std::thread coder_;
};

}  // namespace kivora
