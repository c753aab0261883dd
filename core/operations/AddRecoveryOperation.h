#pragma once
// Adding recovery parts to a set that was split without them, or replacing its recovery
// parts by more. The set is tested first, as the test button does; a set with a lost,
// damaged or fixable part is refused (327). The recovery parts are then written exactly
// as a split with the same amount writes them: the part files are coded as they lie on
// disk (an encrypted set needs no password) and the definition as stored is copied. No
// part and no definition is written. Once all of them are complete, the new recovery
// parts take their names and the old ones the new plan does not name go, in one commit of
// the set (core/set/SetCommit.h): a kill at any instant leaves the old recovery parts or
// the new ones. It completes only when a repair finds every new recovery part intact.

#include <filesystem>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/format/RecoveryFormat.h"
#include "core/recovery/RecoveryWriter.h"

namespace kivora {

struct AddRecoveryRequest {
  std::filesystem::path definitionPath;  // its folder holds the parts
  // The definition as the caller read it from definitionPath (LoadDefinition); read again
  // when its file changed since.
  KvrDefinition loaded = {};
  RecoveryAmount amount = {};
};

struct AddRecoveryOutcome : OperationResult {
  bool completed = false;
  bool refused = false;  // the test found a problem, or the definition did not read
  std::vector<WrittenRecoveryFile> written;
  std::vector<std::filesystem::path> removed;  // old recovery parts the new plan does not name
  // The definition the operation worked on: the request's, or the one read again.
  KvrDefinition definition;
};

// Tests the set (its definition re-read when it changed on disk), then writes its recovery
// parts beside it with a stop between chunks, reporting the rows and progress of both
// steps and the closing message. Refuses an amount of none, and fails (160, 242, 163) as the
// split and the test do, leaving nothing new behind before the commit; and when, after it,
// the recovery parts do not all read back intact.
AddRecoveryOutcome RunAddRecovery(const AddRecoveryRequest& request,
                                  const PendantProvider& pendants, OperationEvents& events);

}  // namespace kivora
