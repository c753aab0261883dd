#pragma once
// Testing every part of a set before a join, without writing anything.

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/parts/PartScan.h"
#include "core/payload/SecretText.h"
#include "core/payload/SetCipher.h"

namespace kivora {

struct TestRequest {
  std::filesystem::path definitionPath;  // its folder holds the parts
  // The definition as the caller read it from definitionPath (LoadDefinition); read again
  // when its file changed since.
  KvrDefinition loaded = {};
  // The password of an encrypted set: the test then also proves its definition and
  // every sealed chunk, reading each part once.
  std::optional<SecretText> password = std::nullopt;
  // Ask for the password of an encrypted set when none is given; the user may skip
  // the question, and the test then checks the checksums alone.
  bool askPassword = false;
  // A test that found errors closes without its notice: the caller follows with the counts
  // and the next step (OfferNextStep).
  bool followUpErrors = false;
  // A wrong password typed in answer to the question is followed by a question: type it
  // again, or skip it and test the checksums alone.
  bool retryWrongPassword = false;
};

struct TestOutcome : OperationResult {
  bool ran = false;  // false when the definition could not be brought up to date
  bool aborted = false;
  std::set<PartTestResult> findings;
  // What the test found of each part, by index; empty where it did not get to the part.
  std::vector<std::optional<PartTestResult>> parts;
  bool joinRequested = false;  // the user answered Yes to joining now
  // The password proved the definition's MAC and every chunk of every part found.
  bool authenticated = false;
  // The cipher that opened an encrypted set's chunks, for a repair that follows.
  std::shared_ptr<const SetCipher> cipher;
  // The definition the test worked on: the request's, or the one read again.
  KvrDefinition definition;

  // The indices of the parts found `result`, in increasing order.
  std::vector<int> PartsFound(PartTestResult result) const;

  bool HasErrors() const {
    return findings.contains(PartTestResult::Missing) || findings.contains(PartTestResult::Corrupt);
  }
};

// The test button: re-reads a changed definition, unlocks an encrypted set when it has
// the password (a wrong password or a forged definition ends it with ran = false), tests each part
// in index order with a file state each, then sums up: errors found; fixable parts (offering the
// join); or no problem (offering the join). The caller starts the join when joinRequested is set. A
// part that cannot be read ends the test with its failure (the parts tested before keep their
// rows).
TestOutcome RunTest(const TestRequest& request, const PendantProvider& pendants,
                    OperationEvents& events);

// The test inside RunTest, for an operation that tests a set first: it reports no work of
// its own beyond the test's, and lets a failure escape as an exception.
TestOutcome TestSet(const TestRequest& request, const PendantProvider& pendants,
                    OperationEvents& events);

}  // namespace kivora
