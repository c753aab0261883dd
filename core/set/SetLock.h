#pragma once
// Keeps two operations from writing one set at once. The lock is a file held with flock
// while the operation runs and removed by its last holder: "DEV-INODE-NAME.kvlock" in
// the user's lock folder (/tmp/kivora-UID, the same in every environment the user runs
// in), named by the set's folder and name, so that a join or a test writes nothing into
// the set's folder.
// Without a lock folder of the user's own it is ".NAME.kvlock" beside the set. An
// operation that writes the set holds it alone; joins, which only read the set, share
// it. Taking it alone also finishes or undoes, by FinishInterruptedCommit (core/set/SetCommit.h), a
// commit of the set that a killed operation left. Where no lock file can be made, the
// set is not locked.

#include <filesystem>
#include <string>
#include <string_view>

#include "core/set/SetCommit.h"

namespace kivora {

class SetLock {
 public:
  enum class Mode { Exclusive, Shared };

  // Takes the lock of set `setName` (SetNames::LockName) in `folder`; throws KivoraError (163) at
  // once when another operation holds it in a way that excludes this one. Held alone,
  // it recovers the set's commit; throws KivoraError when that cannot read or change
  // the folder.
  SetLock(const std::filesystem::path& folder, std::string_view setName, Mode mode);
  ~SetLock();
  SetLock(SetLock&& other) noexcept;
  SetLock& operator=(SetLock&&) = delete;
  SetLock(const SetLock&) = delete;

  // What taking the lock did to a commit a killed operation left; NoJournal when shared.
  const InterruptedCommit& Finished() const { return finished_; }

 private:
  int fd_ = -1;
  InterruptedCommit finished_;
  std::filesystem::path path_;
};

}  // namespace kivora
