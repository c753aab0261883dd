#pragma once
// Writing the recovery parts of a split. The parity of a group grows chunk by chunk as
// the split writes the group's parts, so no part is read back; the group's recovery
// parts are written as soon as its last part is. The coding runs on a thread of its own
// beside the split, which hands it copies of the bytes it writes. Memory: the parity of
// one group (R x the group's longest part) and four chunks of 256 KB in flight. A group's
// recovery parts wait under hidden names until the definition is known; Finish adds its
// copy and checksum and only then gives each its own name, so no recovery part is ever
// seen incomplete under its name. Those still hidden when the writer goes are removed.

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
#include "core/recovery/RecoveryCode.h"
#include "core/recovery/StripeCrcs.h"
#include "core/threads/StopCheck.h"

namespace kivora {

// What every recovery part of a set says about the set, known before the first part.
struct RecoverySetInfo {
  std::filesystem::path folder;
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
  RecoveryWriter(RecoveryPlan plan, RecoverySetInfo set);
  ~RecoveryWriter();
  RecoveryWriter(const RecoveryWriter&) = delete;
  RecoveryWriter& operator=(const RecoveryWriter&) = delete;

  // The picture in front of every recovery part of a disguised set.
  void SetPendant(std::span<const std::uint8_t> pendant);
  // The next bytes of part `part` as they go to disk (pendant, payload, and the
  // implanted definition of the last part). Parts come in order.
  void Append(int part, std::span<const std::uint8_t> bytes);
  // Part `part` is complete: when it closes its group, the group's recovery parts are
  // written; the last part's group waits for Finish, since the implanted definition may
  // still follow. Throws KivoraError (160).
  void PartDone(int part);
  // Writes what is still open, then the definition's copy and checksum into every
  // recovery part. False when `stop` ended it. Throws KivoraError (160).
  bool Finish(std::span<const std::uint8_t> definition, const StopCheck& stop);

  // The recovery parts complete under their names so far, in order (to remove them
  // after an abort).
  const std::vector<WrittenRecoveryFile>& Written() const { return written_; }

 private:
  struct Job {
    int part = 0;
    std::vector<std::uint8_t> bytes;
  };
  // On the coding thread.
  void Run();
  void Encode(int part, std::span<const std::uint8_t> bytes);
  // Waits until every byte handed over is coded; rethrows what failed there.
  void Drain();
  void WriteGroup(int group);

  RecoveryPlan plan_;
  RecoverySetInfo set_;
  std::vector<std::uint8_t> pendant_;
  std::optional<RecoveryCode> code_;  // of the group being filled
  int group_ = -1;
  int part_ = -1;
  std::uint64_t offset_ = 0;
  std::vector<BlockCrcs> covered_;  // of the group's parts
  std::vector<std::vector<std::uint8_t>> parity_;
  std::vector<std::uint8_t*> pointers_;
  std::vector<RecoveryHeader> headers_;  // of the files written, definition still unknown
  std::uint32_t pendantCrc_ = 0;
  std::deque<WrittenRecoveryFile> pending_;  // written under hidden names, in order
  std::vector<WrittenRecoveryFile> written_;
  int nextGroupToWrite_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;                        // guarded by mutex_
  std::vector<std::vector<std::uint8_t>> free_;  // guarded by mutex_
  bool busy_ = false;                            // guarded by mutex_
  bool closing_ = false;                         // guarded by mutex_
  std::exception_ptr failure_;                   // guarded by mutex_
  std::thread coder_;
};

}  // namespace kivora
