#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/format/DefinitionWriter.h"
#include "core/operations/TestOperation.h"
#include "core/text/Messages.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

class TestOperationTest : public test::SetFixture {
 protected:
  TestOutcome Test(const std::filesystem::path& definition) {
    return RunTest({.definitionPath = definition, .loaded = loaded}, pendants, ui);
  }
};

TEST_F(TestOperationTest, IntactSetOffersTheJoin) {
  const auto definition = MakeSet(50000);
  ui.answers = {Answer::Yes};
  const TestOutcome outcome = Test(definition);
  EXPECT_TRUE(outcome.joinRequested);
  EXPECT_EQ(ui.questions, std::vector<std::string>{std::string(msg::kTestNoProblemQuestion)});
  ASSERT_EQ(ui.Rows().size(), loaded.parts.size());
  for (const auto& row : ui.Rows()) {
    EXPECT_EQ(row.state, msg::kStateOk);
  }
  EXPECT_EQ(ui.progress.back().done, static_cast<int>(loaded.parts.size()));
  EXPECT_EQ(ui.finished.back().outcome, Outcome::Completed);
}

TEST_F(TestOperationTest, ErrorsOutrankFixableParts) {
  const auto definition = MakeSet(60000, [](SplitRequest& s) { s.disguise = false; });
  std::filesystem::remove(PartPath(0));
  Bytes part = test::ReadBytes(PartPath(2));
  part.insert(part.end(), 10, 0);
  test::WriteBytes(PartPath(2), part);
  part = test::ReadBytes(PartPath(3));
  part[0] ^= 1;
  test::WriteBytes(PartPath(3), part);

  const TestOutcome outcome = Test(definition);
  EXPECT_TRUE(outcome.HasErrors());
  EXPECT_FALSE(outcome.joinRequested);
  EXPECT_EQ(ui.infos, std::vector<std::string>{std::string(msg::kTestFoundErrors)});
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(ui.Rows()[0].state, msg::kStateMissing);
  EXPECT_EQ(ui.Rows()[1].state, msg::kStateOk);
  EXPECT_EQ(ui.Rows()[2].state, msg::kStateFixable);
  EXPECT_EQ(ui.Rows()[3].state, msg::kStateCorrupt);
  EXPECT_EQ(ui.finished.back().outcome, Outcome::ProblemsFound);
  // Testing never changes a part.
  EXPECT_EQ(test::ReadBytes(PartPath(2)).size(), static_cast<size_t>(loaded.parts[2].Size) + 10);
}

TEST_F(TestOperationTest, OnlyFixablePartsOfferTheJoinWithTheirOwnQuestion) {
  const auto definition = MakeSet(30000);
  Bytes part = test::ReadBytes(PartPath(1));
  part.insert(part.end(), 10, 7);
  test::WriteBytes(PartPath(1), part);
  const TestOutcome outcome = Test(definition);
  EXPECT_EQ(ui.questions, std::vector<std::string>{std::string(msg::kTestFixableQuestion)});
  EXPECT_FALSE(outcome.joinRequested);
  EXPECT_EQ(ui.finished.back().outcome, Outcome::ProblemsFound);  // answered No
}

TEST_F(TestOperationTest, ImplantedDefinitionMakesTheLastPartOk) {
  const auto definition = MakeSet(30000, [](SplitRequest& s) { s.implant = true; });
  Test(definition);
  for (const auto& row : ui.Rows()) EXPECT_EQ(row.state, msg::kStateOk) << row.caption;
}

TEST_F(TestOperationTest, EmptySetAndAbort) {
  const auto empty = MakeSet(0);
  Test(empty);
  EXPECT_TRUE(ui.Rows().empty());
  EXPECT_EQ(ui.questions, std::vector<std::string>{std::string(msg::kTestNoProblemQuestion)});

  const auto definition = MakeSet(60000);
  ui = test::RecordingEvents();
  ui.abortAfterProgress = 2;
  const TestOutcome outcome = Test(definition);
  EXPECT_TRUE(outcome.aborted);
  EXPECT_EQ(ui.Rows().size(), 2u);
  EXPECT_TRUE(ui.questions.empty() && ui.infos.empty());
}

TEST_F(TestOperationTest, HugeFileNamedLikeAPartIsScannedNotLoaded) {
  const auto definition = MakeSet(30000, [](SplitRequest& s) { s.disguise = false; });
  // A sparse 3 GB file in place of a part: corrupt, found by streaming through it.
  std::filesystem::resize_file(PartPath(1), 3ULL << 30);
  Test(definition);
  EXPECT_EQ(ui.Rows()[1].state, msg::kStateFixable);  // its first bytes are the part's, then zeros
}

TEST_F(TestOperationTest, PartsThatAreNoRegularFilesAreMissing) {
  // Reading a device would never end and opening a pipe would wait for a writer.
  const auto definition = MakeSet(40000, [](SplitRequest& s) { s.disguise = false; });
  std::filesystem::remove(PartPath(0));
  std::filesystem::create_symlink("/dev/zero", PartPath(0));
  std::filesystem::remove(PartPath(1));
  ASSERT_EQ(mkfifo(PartPath(1).c_str(), 0600), 0);
  std::filesystem::remove(PartPath(2));
  std::filesystem::create_directory(PartPath(2));
  Test(definition);
  ASSERT_EQ(ui.Rows().size(), loaded.parts.size());
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(ui.Rows()[i].state, msg::kStateMissing) << i;
  EXPECT_EQ(ui.Rows()[3].state, msg::kStateOk);
}

}  // namespace
}  // namespace kivora
