#pragma once
// The parts a split has on disk, and what becomes of them when it does not complete:
// only what the split created goes, and a part waiting to replace a file of its name
// never replaces it. Everything goes by part index, whatever order the writers
// committed the parts in.

#include <climits>
#include <vector>

#include "core/io/WriteBehind.h"

namespace kivora {

class PlacedParts {
 public:
  // Takes the parts on disk, in any order.
  void Set(std::vector<WriteBehind::CommittedFile> files);
  // In part order.
  const std::vector<WriteBehind::CommittedFile>& Files() const { return files_; }

  // Moves every waiting part over the file of its name, in part order. A failure leaves
  // the parts before it; the part it names and those after it are then removed by
  // KeepBefore, so no name is left without a file.
  void ReplaceTakenNames();
  // The parts that stay after a failure at part `failedAt` (or later), the others removed.
  std::vector<WriteBehind::CommittedFile> KeepBefore(int failedAt);

 private:
  std::vector<WriteBehind::CommittedFile> files_;
  int failedAt_ = INT_MAX;
};

}  // namespace kivora
