#pragma once
// The parts a split has on disk, and what becomes of them when it does not complete:
// only what the split created goes, and a part waiting to replace a file of its name
// never replaces it. Everything goes by part index, whatever order the writers
// committed the parts in.

#include <string>
#include <vector>

#include "core/pipeline/WriteBehind.h"
#include "core/set/SetTransaction.h"

namespace kivora {

class PlacedParts {
 public:
  // Takes the parts on disk, in any order.
  void Set(std::vector<WriteBehind::CommittedFile> files);
  // In part order.
  const std::vector<WriteBehind::CommittedFile>& Files() const { return files_; }

  // True when a part waits beside a file of its name.
  bool AnyWaiting() const;
  // Marks the waiting parts complete in `change`, in part order; the transaction settles
  // them from here on: KeepBefore leaves them.
  void HandOverWaiting(SetTransaction& change);
  // The parts that stay after a failure at part `failedAt` (or later), the others removed.
  std::vector<WriteBehind::CommittedFile> KeepBefore(int failedAt);

 private:
  std::vector<WriteBehind::CommittedFile> files_;
};

}  // namespace kivora
