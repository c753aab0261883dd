#pragma once
// Testing every part of a set before a join, without writing anything.

#include <filesystem>
#include <set>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/parts/PartScan.h"

namespace kivora {

struct VerifyOutcome {
  bool ran = false;  // false when the definition could not be brought up to date
  bool aborted = false;
  std::set<PartTestResult> findings;
  bool joinRequested = false;  // the user answered Yes to joining now

  bool HasErrors() const {
    return findings.contains(PartTestResult::Missing) || findings.contains(PartTestResult::Corrupt);
  }
};

// The test button: re-reads a changed definition, tests each part in index order with a
// file state each, then sums up: errors found; fixable parts (offering the join); or no
// problem (offering the join). The caller starts the join when joinRequested is set. A
// part that cannot be read ends the test with an exception (TestFailure() shows it).
VerifyOutcome RunVerify(KvrDefinition& loaded, const std::filesystem::path& definitionPath,
                        const PendantProvider& pendants, OperationEvents& events);

}  // namespace kivora
