#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/format/DefinitionWriter.h"
#include "core/operations/ResplitOperation.h"
#include "core/text/Messages.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ResplitTest : public test::SetFixture {
 protected:
  std::filesystem::path definition;
  std::vector<Bytes> originals;

  void Make(const std::function<void(SplitRequest&)>& adjust = {}) {
    definition = MakeSet(80000, adjust);
    for (const auto& p : split.PartPaths()) originals.push_back(test::ReadBytes(p));
  }
  bool Resplit(std::optional<std::vector<int>> selected = std::nullopt,
               std::optional<std::string> password = std::nullopt,
               std::optional<std::string> plugin = std::nullopt,
               std::optional<std::filesystem::path> output = std::nullopt) {
    ResplitRequest request;
    request.outputFolder = std::move(output);
    request.definitionPath = definition;
    request.source = dir / "movie.avi";
    request.selected = std::move(selected);
    request.password = std::move(password);
    request.pluginName = std::move(plugin);
    for (size_t i = 0; i < loaded.parts.size(); ++i) {
      ui.SetFileState(static_cast<int>(i), loaded.parts[i].FileName, FileState::Listed);
    }
    const ResplitOutcome outcome = RunResplit(test::With(request, loaded), pendants, ui);
    loaded = outcome.definition;
    return outcome.completed;
  }
};

TEST_F(ResplitTest, RebuildsEveryPartExactly) {
  Make([](SplitRequest& s) { s.password = "pw"; });
  for (const auto& p : split.PartPaths()) std::filesystem::remove(p);
  ASSERT_TRUE(Resplit(std::nullopt, "pw")) << (ui.errors.empty() ? "" : ui.errors[0]);
  for (size_t i = 0; i < originals.size(); ++i)
    EXPECT_EQ(test::ReadBytes(PartPath(i)), originals[i]);
  for (const auto& row : ui.Rows()) {
    EXPECT_EQ(row.state, msg::kStateRedisguised);
  }
  EXPECT_EQ(ui.infos, std::vector<std::string>{std::string(msg::kResplitCompleted)});
  EXPECT_EQ(ui.progress.back().done, static_cast<int>(originals.size()));
  EXPECT_EQ(ui.progress.back().total, static_cast<int>(originals.size()));
}

TEST_F(ResplitTest, LastPartOfAnImplantedSetGetsItsDefinitionBack) {
  Make([](SplitRequest& s) { s.implant = true; });
  ASSERT_TRUE(Resplit()) << (ui.errors.empty() ? "" : ui.errors[0]);
  for (size_t i = 0; i < originals.size(); ++i)
    EXPECT_EQ(test::ReadBytes(PartPath(i)), originals[i]) << i;
  EXPECT_EQ(ReadDefinition(definition, pendants).parts, split.parts);
}

// A part that is the source under another name, or a FIFO, is refused before writing.
TEST_F(ResplitTest, PartThatIsTheSourceOrNoFileIsRefused) {
  Make();
  std::filesystem::remove(PartPath(0));
  std::filesystem::remove(PartPath(1));
  std::filesystem::create_hard_link(dir / "movie.avi", PartPath(1));
  EXPECT_FALSE(Resplit());
  std::filesystem::remove(PartPath(1));
  ::mkfifo(PartPath(1).c_str(), 0600);
  EXPECT_FALSE(Resplit());
  EXPECT_EQ(ui.errors, (std::vector<std::string>{std::string(msg::kResplitTargetIsSource314),
                                                 std::string(msg::kResplitTargetNotAFile315)}));
  EXPECT_FALSE(std::filesystem::exists(PartPath(0)));
}

TEST_F(ResplitTest, OnlyTheThirdPart) {
  Make([](SplitRequest& s) { s.disguise = false; });
  std::filesystem::remove(PartPath(2));
  std::filesystem::remove(PartPath(3));
  ASSERT_TRUE(Resplit(std::vector<int>{2}));
  EXPECT_EQ(test::ReadBytes(PartPath(2)), originals[2]);
  EXPECT_FALSE(std::filesystem::exists(PartPath(3)));
  EXPECT_EQ(ui.Rows()[2].state, msg::kStateResplit);
  EXPECT_EQ(ui.Rows()[3].state, "");
  EXPECT_EQ(ui.progress.back().done, 1);
  EXPECT_EQ(ui.progress.back().total, 1);
}

TEST_F(ResplitTest, WrongPasswordKeepsTheOldPart) {
  Make([](SplitRequest& s) { s.password = "pw"; });
  EXPECT_FALSE(Resplit(std::nullopt, "wrong"));
  // The parts beside the definition prove the password wrong before any work.
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kWrongPassword231)});
  EXPECT_EQ(test::ReadBytes(PartPath(0)), originals[0]);
  EXPECT_TRUE(ui.infos.empty() && ui.warnings.empty());
  EXPECT_EQ(ui.workEnded, 0);
}

TEST_F(ResplitTest, ChangedSourceByteInAPlainPart) {
  Make([](SplitRequest& s) { s.disguise = false; });
  Bytes source = content;
  source[static_cast<size_t>(loaded.parts[0].Size) + 3] ^= 0x10;  // inside part 1
  test::WriteBytes(dir / "movie.avi", source);
  EXPECT_FALSE(Resplit());
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kResplitFailed312)});
  EXPECT_EQ(ui.Rows()[0].state, msg::kStateResplit);
  EXPECT_EQ(ui.Rows()[1].state, msg::kStateMismatch);
  EXPECT_EQ(test::ReadBytes(PartPath(1)), originals[1]);
  EXPECT_EQ(ui.workEnded, 1);
  EXPECT_EQ(ui.finished.at(0).outcome, Outcome::Failed);
  // Into a folder it made, where it wrote part 0, it leaves no folder.
  ui.answers.push_back(Answer::Yes);
  EXPECT_FALSE(Resplit(std::nullopt, std::nullopt, std::nullopt, dir / "new"));
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));
}

TEST_F(ResplitTest, PluginSetsNeedTheMatchingPlugin) {
  pendants.plugins["mine.dll"] = {{101, test::FakePicture(101)}, {102, test::FakePicture(102)}};
  Make([](SplitRequest& s) {
    s.usePlugin = true;
    s.pluginName = "mine.dll";
  });
  for (const auto& p : split.PartPaths()) std::filesystem::remove(p);

  pendants.checksum = 1;  // another plug-in's pictures
  EXPECT_FALSE(Resplit(std::nullopt, std::nullopt, "other.dll"));
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kPluginMismatch291)});
  EXPECT_FALSE(std::filesystem::exists(PartPath(0)));

  // Without a name the Ui is asked; Cancel ends quietly.
  ui = test::RecordingEvents();
  EXPECT_FALSE(Resplit());
  EXPECT_TRUE(ui.errors.empty());

  pendants.checksum = split.header.PluginChecksum;
  ui = test::RecordingEvents();
  ui.plugin = "mine.dll";
  ASSERT_TRUE(Resplit()) << (ui.errors.empty() ? "" : ui.errors[0]);
  for (size_t i = 0; i < originals.size(); ++i)
    EXPECT_EQ(test::ReadBytes(PartPath(i)), originals[i]);
}

TEST_F(ResplitTest, ChangedDefinitionIsOnlyReadAgain) {
  Make();
  DefinitionHeader h = split.header;
  h.Comment = "changed";
  test::WriteBytes(definition, EncodeDefinition(h, split.parts));
  std::filesystem::remove(PartPath(0));
  EXPECT_FALSE(Resplit());
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kDefinitionUpdated)});
  EXPECT_EQ(loaded.header.Comment, "changed");
  EXPECT_EQ(ui.summaries[OperationKind::Resplit][5].second, "changed");
  EXPECT_FALSE(std::filesystem::exists(PartPath(0)));
  // The next click works with the definition read again.
  ui = test::RecordingEvents();
  EXPECT_TRUE(Resplit());
}

TEST_F(ResplitTest, NothingSelectedOrNoSource) {
  Make();
  EXPECT_FALSE(Resplit(std::vector<int>{}));
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kSelectPartsToResplit)});
  std::filesystem::remove(dir / "movie.avi");
  ui = test::RecordingEvents();
  EXPECT_FALSE(Resplit());
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kCannotOpenSource301)});
}

TEST_F(ResplitTest, OlderCipherKindIsRefused) {
  Make();
  DefinitionHeader h = split.header;
  h.CipherKind = kGeneratorCipher;
  test::WriteBytes(definition, EncodeDefinition(h, split.parts));
  loaded = ReadDefinition(definition, pendants);
  EXPECT_FALSE(Resplit());
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("(313)"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(PartPath(0)), originals[0]);
}

}  // namespace
}  // namespace kivora
