#include <gtest/gtest.h>

#include <algorithm>

#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/TestOperation.h"
#include "core/text/Messages.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

enum class Operation { Split, Join, Verify, Resplit, AddRecovery };

// An abort may land anywhere: before the first part, between the chunks of a part,
// between parts. Each operation is run with the abort asked at its first look at the flag,
// then its second, and so on until it runs to its end; whichever look it lands at, what
// is left on disk must be whole. A set of one large part (several chunks) and a small one.
class AbortAnywhereTest : public test::SetFixture, public ::testing::WithParamInterface<Operation> {
 protected:
  fs::path definition;
  std::vector<std::uint8_t> firstPart;

  void SetUp() override {
    definition = MakeSet(1536 * 1024, [](SplitRequest& s) {
      s.partSizeKb = 1024;
      s.randomSizes = false;
    });
    firstPart = test::ReadBytes(PartPath(0));
  }

  bool Reported(FileState state, const std::string& name) const {
    return std::any_of(ui.added.begin(), ui.added.end(), [&](const test::FileRow& r) {
      return r.kind == state && r.caption == name;
    });
  }
  std::vector<std::string> Interrupted(std::string_view text) const { return {std::string(text)}; }

  // Runs the operation once; true when it ran to its end. Checks what an abort left.
  bool RunAndCheck(Operation operation) {
    switch (operation) {
      case Operation::Split: {
        for (const auto& entry : fs::directory_iterator(dir.path()))
          if (entry.path().filename() != "movie.avi") fs::remove(entry.path());
        SplitRequest s;
        s.source = dir / "movie.avi";
        s.baseName = "again";
        s.partSizeKb = 1024;
        SplitOutcome result;
        if ((result = RunSplit(test::Seeded(s, 1), pendants, ui)).completed) return true;
        // An aborted split removes every file it made.
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
        EXPECT_EQ(ui.warnings, Interrupted(msg::kSplitInterrupted));
        return false;
      }
      case Operation::Join: {
        const fs::path out = dir / "out";
        fs::remove_all(out);
        fs::create_directory(out);
        JoinRequest request;
        request.definitionPath = definition;
        request.outputFolder = out;
        const bool completed = RunJoin(test::With(request, loaded), pendants, ui).completed;
        // An aborted join leaves nothing under the output's name, nor beside it.
        if (completed) {
          EXPECT_EQ(test::ReadBytes(out / "movie.avi"), content);
        } else {
          EXPECT_TRUE(fs::is_empty(out));
        }
        if (!completed) {
          EXPECT_EQ(ui.warnings, Interrupted(msg::kJoinInterrupted));
        }
        return completed;
      }
      case Operation::Verify: {
        const TestOutcome outcome =
            RunTest({.definitionPath = definition, .loaded = loaded}, pendants, ui);
        // An aborted test gives no verdict and asks nothing.
        if (outcome.aborted) {
          EXPECT_TRUE(ui.infos.empty() && ui.questions.empty());
        }
        return !outcome.aborted;
      }
      case Operation::Resplit: {
        std::vector<std::uint8_t> damaged = firstPart;
        damaged.back() ^= 1;
        test::WriteBytes(PartPath(0), damaged);
        ResplitRequest request;
        request.definitionPath = definition;
        request.source = dir / "movie.avi";
        const bool completed = RunResplit(test::With(request, loaded), pendants, ui).completed;
        // The part is as it was until it is rebuilt whole.
        const std::string name = PartPath(0).filename().string();
        const bool rebuilt =
            Reported(FileState::Resplit, name) || Reported(FileState::Redisguised, name);
        EXPECT_EQ(test::ReadBytes(PartPath(0)), rebuilt ? firstPart : damaged);
        if (!completed) {
          EXPECT_EQ(ui.warnings, Interrupted(msg::kResplitInterrupted));
        }
        return completed;
      }
      case Operation::AddRecovery: {
        const bool completed =
            RunAddRecovery({.definitionPath = definition, .loaded = loaded, .amount = {1, 0}},
                           pendants, ui)
                .completed;
        // No recovery part, whole or not, stays from an aborted run.
        const auto files = std::distance(fs::directory_iterator(dir.path()), {});
        EXPECT_EQ(files, static_cast<long>(loaded.parts.size()) + (completed ? 3 : 2));
        if (!completed) {
          EXPECT_EQ(ui.warnings, Interrupted(msg::kAddRecoveryInterrupted));
        }
        return completed;
      }
    }
    return true;
  }
};

TEST_P(AbortAnywhereTest, LeavesOnlyWholeFiles) {
  int aborted = 0;
  for (int look = 1; look < 1000; ++look) {
    SCOPED_TRACE(look);
    ui = test::RecordingEvents();
    ui.abortAfterChecks = look;
    if (RunAndCheck(GetParam())) break;
    ++aborted;
  }
  EXPECT_GT(aborted, 0);
  // The last run found no abort and ran to its end.
  EXPECT_TRUE(ui.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(Operations, AbortAnywhereTest,
                         ::testing::Values(Operation::Split, Operation::Join, Operation::Verify,
                                           Operation::Resplit, Operation::AddRecovery));

}  // namespace
}  // namespace kivora
