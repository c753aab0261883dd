// What every operation promises whoever runs it: a failure inside it is its own message and
// closing, its work is always closed, and its outcome says how it ended and what became of
// each file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/TestOperation.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

// A front end that fails on the first progress it is shown.
class FailingEvents final : public test::RecordingEvents {
 public:
  void Report(const OperationEvent& event) override {
    RecordingEvents::Report(event);
    if (std::holds_alternative<Progress>(event) && !failed_) {
      failed_ = true;
      throw std::runtime_error("front end gone");
    }
  }

 private:
  bool failed_ = false;
};

class OperationContractTest : public test::SetFixture {
 protected:
  fs::path MakeRecoverableSet() {
    return MakeSet(60000, [](SplitRequest& s) { s.recovery = {1, 0}; });
  }
};

struct OperationRun {
  OperationKind operation;
  std::function<OperationResult(const fs::path&, OperationEvents&)> run;
};

TEST_F(OperationContractTest, AFailureInsideTheWorkStillClosesIt) {
  const OperationRun runs[] = {
      {OperationKind::Split,
       [this](const fs::path&, OperationEvents& events) {
         SplitRequest s;
         s.source = dir / "movie.avi";
         s.baseName = "again";
         s.partSizeKb = 10;
         s.seed = 1;
         return OperationResult(RunSplit(s, pendants, events));
       }},
      {OperationKind::Join,
       [this](const fs::path& definition, OperationEvents& events) {
         JoinRequest request;
         request.definitionPath = definition;
         request.outputFolder = dir / "out";
         fs::create_directories(*request.outputFolder);
         return OperationResult(RunJoin(test::With(request, loaded), pendants, events));
       }},
      {OperationKind::Test,
       [this](const fs::path& definition, OperationEvents& events) {
         return OperationResult(
             RunTest({.definitionPath = definition, .loaded = loaded}, pendants, events));
       }},
      {OperationKind::Resplit,
       [this](const fs::path& definition, OperationEvents& events) {
         ResplitRequest request;
         request.definitionPath = definition;
         request.source = dir / "movie.avi";
         return OperationResult(RunResplit(test::With(request, loaded), pendants, events));
       }},
      {OperationKind::Repair,
       [this](const fs::path& definition, OperationEvents& events) {
         fs::remove(PartPath(1));
         return OperationResult(RunRepair({.definition = definition}, pendants, events));
       }},
      {OperationKind::AddRecovery,
       [this](const fs::path& definition, OperationEvents& events) {
         return OperationResult(RunAddRecovery(
             {.definitionPath = definition, .loaded = loaded, .amount = {2, 0}}, pendants, events));
       }},
  };
  for (const OperationRun& r : runs) {
    SCOPED_TRACE(static_cast<int>(r.operation));
    const fs::path definition = MakeRecoverableSet();
    FailingEvents events;
    const OperationResult result = r.run(definition, events);
    EXPECT_EQ(result.ending, Outcome::Failed);
    ASSERT_FALSE(events.errors.empty());
    // In the operation's words, with the reason; a split shows the reason alone.
    const std::string& detail = events.errorDetails.front();
    EXPECT_EQ(detail.empty() ? events.errors.front() : detail, "front end gone");
    EXPECT_EQ(events.workEnded, 1);
    ASSERT_EQ(events.finished.size(), 1u);
    EXPECT_EQ(events.finished.back().operation, r.operation);
    EXPECT_EQ(events.finished.back().outcome, Outcome::Failed);
    fs::remove_all(dir / "out");
  }
}

TEST_F(OperationContractTest, TheOutcomeSaysWhatBecameOfEachFile) {
  const fs::path definition = MakeRecoverableSet();
  fs::remove(PartPath(1));
  const TestOutcome tested =
      RunTest({.definitionPath = definition, .loaded = loaded}, pendants, ui);
  EXPECT_EQ(tested.ending, Outcome::ProblemsFound);
  ASSERT_EQ(tested.parts.size(), loaded.parts.size());
  EXPECT_EQ(tested.parts[0], PartTestResult::Ok);
  EXPECT_EQ(tested.parts[1], PartTestResult::Missing);
  EXPECT_EQ(tested.StateOf(FileRole::Part(1)), FileState::Missing);

  const RepairOutcome repaired = RunRepair({.definition = definition}, pendants, ui);
  EXPECT_EQ(repaired.ending, Outcome::Completed);
  EXPECT_EQ(repaired.StateOf(FileRole::Part(1)), FileState::Rebuilt);
  EXPECT_EQ(repaired.StateOf(FileRole::Part(0)), FileState::Ok);
}

}  // namespace
}  // namespace kivora
