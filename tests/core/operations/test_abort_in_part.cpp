#include <gtest/gtest.h>

#include <algorithm>

#include "core/operations/JoinOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/VerifyOperation.h"
#include "core/text/Messages.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

// A set of one large part (four chunks) and a small one. The abort request comes at the
// third look at the flag: after the look before the first part and its first chunk.
class AbortInPartTest : public test::SetFixture {
 protected:
  fs::path definition;
  std::vector<std::uint8_t> firstPart;

  void SetUp() override {
    definition = MakeSet(1536 * 1024, [](SplitRequest& s) {
      s.partSizeKb = 1024;
      s.randomSizes = false;
    });
    firstPart = test::ReadBytes(PartPath(0));
    ui = test::RecordingEvents();
    ui.abortAfterChecks = 3;
  }
  // No file reached a state of its own: the first part was not finished.
  void ExpectNoPartFinished() const {
    EXPECT_TRUE(std::all_of(ui.added.begin(), ui.added.end(),
                            [](const test::FileRow& r) { return r.kind == FileState::Listed; }));
    EXPECT_TRUE(ui.progress.empty());
  }
};

TEST_F(AbortInPartTest, SplitLeavesNothing) {
  for (const auto& p : split.partPaths) fs::remove(p);
  fs::remove(split.definitionPath);
  SplitRequest s;
  s.source = dir / "movie.avi";
  s.baseName = "again";
  s.partSizeKb = 1024;
  SplitOutcome result;
  EXPECT_FALSE(RunSplit(s, pendants, ui, result, 1));
  ExpectNoPartFinished();
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);  // the source alone
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kSplitInterrupted)});
}

TEST_F(AbortInPartTest, JoinKeepsWholePartsOnly) {
  const fs::path out = dir / "out";
  fs::create_directory(out);
  JoinRequest request;
  request.definitionPath = definition;
  request.outputFolder = out;
  EXPECT_FALSE(RunJoin(loaded, request, pendants, ui));
  ExpectNoPartFinished();
  // No file had the name before, so what was joined stays: no whole part yet.
  EXPECT_EQ(fs::file_size(out / "movie.avi"), 0u);
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kJoinInterrupted)});
}

// The test reads parts on two threads, so which look at the flag falls inside a part
// depends on how they run: the abort comes at the first look, and no part may be
// reported after it, whichever thread was reading it.
TEST_F(AbortInPartTest, TestEndsWithoutAVerdict) {
  ui.abortAfterChecks = 1;
  EXPECT_TRUE(RunVerify(loaded, definition, pendants, ui).aborted);
  ExpectNoPartFinished();
  EXPECT_TRUE(ui.infos.empty() && ui.questions.empty());
}

TEST_F(AbortInPartTest, ResplitLeavesThePartAsItWas) {
  std::vector<std::uint8_t> damaged = firstPart;
  damaged.back() ^= 1;
  test::WriteBytes(PartPath(0), damaged);
  ResplitRequest request;
  request.definitionPath = definition;
  request.source = dir / "movie.avi";
  EXPECT_FALSE(RunResplit(loaded, request, pendants, ui));
  ExpectNoPartFinished();
  EXPECT_EQ(test::ReadBytes(PartPath(0)), damaged);
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kResplitInterrupted)});
}

}  // namespace
}  // namespace kivora
