#pragma once
// Rebuilding the lost and damaged files of one group of a set from its recovery parts,
// stripe by stripe, each file proved before it waits for its commit under a hidden name.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/io/IoBuffer.h"
#include "core/payload/SetCipher.h"
#include "core/recovery/RecoveryScan.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/threads/StopCheck.h"

namespace kivora {

// The stripe buffers of one thread, kept from one group to the next.
struct GroupStripes {
  std::size_t bytes = 0;
  std::vector<IoBuffer> buffers;

  void Ensure(std::size_t count, std::size_t size) {
    if (size > bytes) {
      buffers.clear();
      bytes = size;
    }
    while (buffers.size() < count) {
      buffers.emplace_back(bytes);
    }
  }
};

// The files of a group rebuilt and proved, waiting under their hidden names.
struct RebuiltGroup {
  std::vector<FileRole> files;
  std::optional<SetTransaction> commit;  // none when nothing was rebuilt
};

// Rebuilds the lost and damaged files of group `group` of `scan`: a damaged stripe of a file
// is computed from K shards intact in that stripe, its other stripes are its own. Returns
// the files rebuilt, waiting for their commit under the hidden names of `setName`, or empty
// optional when `stop` ended it (nothing of the group is then left). Its commit may touch
// only `members`, the set's files. `stripes` holds the
// calling thread's stripe buffers, kept from one group to the next; `readThreads` is how
// many threads read the shards of a stripe. With `cipher`, rebuilt parts must prove their
// chunks' tags too. Throws KivoraError (242, 323, 324, 328) when a file cannot be read,
// written or proved.
std::optional<RebuiltGroup> RebuildGroup(const RecoverySetScan& scan, int group,
                                         const std::string& setName, const SetMembers& members,
                                         GroupStripes& stripes, int readThreads,
                                         const SetCipher* cipher, const StopCheck& stop);

}  // namespace kivora
