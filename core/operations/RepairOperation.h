#pragma once
// Rebuilding lost or damaged files of a set from its recovery parts: parts, recovery
// parts and the definition file. Needs neither the source nor the password nor the
// plug-in; given the password of an encrypted set, a part whose sealed chunks fail their
// tags counts as damaged too, and a rebuilt part must prove its tags. Damage is found stripe by
// stripe where the recovery parts record stripe CRC-32s, and only damaged stripes are computed.
// Every rebuilt file is written under a temporary name and takes its own only after its recorded
// CRC-32 proved it; a file that checks out is never written. When a stripe of a group holds more
// damaged files than the group has recovery parts, nothing at all is written. Memory: the group's
// shards are read in stripes of at most 1 MiB each, narrower for large groups, so that a stripe of
// all shards stays within about 64 MiB.

#include <filesystem>
#include <optional>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/payload/SecretText.h"
#include "core/payload/SetCipher.h"
#include "core/threads/StopCheck.h"

namespace kivora {

struct RepairRequest {
  // The definition file, a part that carries one, or a recovery part; a lost one is found
  // by its name.
  std::filesystem::path definition;
  bool dryRun = false;  // only say what would be rebuilt
  // The password of an encrypted set (not used for a set that is not encrypted).
  std::optional<SecretText> password = std::nullopt;
};

struct RepairOutcome : OperationResult {
  bool found = false;   // the set has recovery parts
  int damaged = 0;      // lost or damaged files
  int rebuildable = 0;  // of them, those the recovery parts can rebuild
  int unauthentic = 0;  // of them, parts whose CRC-32 matches but whose chunks fail their tags
  int rebuilt = 0;
  bool partsRebuildable = false;  // no group lost more parts than it can rebuild
  bool completed = false;         // every lost or damaged file is back (or would be)
};

// Lists every file of the set with its state, then rebuilds (or, for a dry run, only
// says what it would rebuild). When a group lost more parts than it can rebuild nothing
// is written (321); what else stays lost is said once after the rest is rebuilt (326),
// and the outcome is then not completed, dry run or not. Rows and progress come group
// by group, in order; a failure or a stop still reports the groups written before it. With the
// password of an encrypted set, the password (231) and the definition's MAC (252) are proved
// before any part is read, a part whose chunks fail their tags is rebuilt, and a rebuilt part
// whose chunks fail theirs takes no name (328).
RepairOutcome RunRepair(const RepairRequest& request, const PendantProvider& pendants,
                        OperationEvents& events);

// What the recovery parts of the set could rebuild, without events or writing. Empty
// `found` when the set has none. With the `cipher` of an encrypted set, a part whose
// chunks fail their tags counts as damaged.
RepairOutcome AssessRecovery(const std::filesystem::path& definition,
                             const PendantProvider& pendants, const StopCheck& stop = {},
                             const SetCipher* cipher = nullptr);

// The repair inside RunRepair of a set whose chunks a test opened with `cipher` (none: not
// encrypted, or not opened): parts whose tags fail count as damaged, and rebuilt ones prove
// theirs. For an operation that holds the work guard already: a failure escapes.
RepairOutcome RepairWithCipher(const std::filesystem::path& definition,
                               const PendantProvider& pendants, OperationEvents& events,
                               const SetCipher* cipher);

// After a test or join that met lost or damaged parts: when the recovery parts can
// rebuild all of them, asks whether to repair now and repairs on Yes; when they cannot,
// says how many of the damaged files they could rebuild. Returns whether a repair ran
// and completed; a failure is reported as a repair's. The `cipher` that proved an encrypted set's
// chunks in the test counts the parts whose tags fail, and proves the rebuilt ones.
bool OfferRepair(const std::filesystem::path& definition, const PendantProvider& pendants,
                 OperationEvents& events, const SetCipher* cipher = nullptr);

}  // namespace kivora
