#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/format/DefinitionWriter.h"
#include "core/format/LoadedDefinition.h"
#include "core/io/Crc32.h"
#include "core/operations/JoinOperation.h"
#include "core/payload/Scramblers.h"
#include "core/text/Messages.h"
#include "tests/support/GeneratorSet.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

class JoinTest : public test::SetFixture {
 protected:
  std::filesystem::path out;
  std::filesystem::path joined;

  void SetUp() override {
    out = dir / "out";
    std::filesystem::create_directory(out);
  }
  bool Join(const std::filesystem::path& definition, std::optional<std::string> password = {}) {
    JoinRequest request;
    request.definitionPath = definition;
    request.outputFolder = out;
    request.password = std::move(password);
    JoinOutcome outcome;
    const bool ok = (outcome = RunJoin(test::With(request, loaded), pendants, ui)).completed;
    loaded = outcome.definition;
    joined = outcome.output.empty() ? out / loaded.header.SourceName : outcome.output;
    return ok;
  }
  std::vector<std::string> States() const {
    std::vector<std::string> states;
    for (const auto& row : ui.Rows()) states.push_back(row.state);
    return states;
  }
};

TEST_F(JoinTest, RoundTripsOfManyShapes) {
  struct Shape {
    const char* what;
    size_t size;
    std::function<void(SplitRequest&)> adjust;
    std::string name;
    std::string password;
  };
  auto make = [](const char* what, size_t size, std::function<void(SplitRequest&)> adjust,
                 std::string name = "movie.avi", std::string password = "") {
    return Shape{what, size, std::move(adjust), std::move(name), std::move(password)};
  };
  const std::vector<Shape> shapes = {
      make("plain", 50000, [](SplitRequest& s) { s.disguise = false; }),
      make("disguised", 50000, {}),
      make(
          "password", 50000, [](SplitRequest& s) { s.password = "密碼"; }, "movie.avi", "密碼"),
      make("implanted plain", 50000,
           [](SplitRequest& s) {
             s.disguise = false;
             s.implant = true;
           }),
      make("implanted disguised", 50000, [](SplitRequest& s) { s.implant = true; }),
      make("_kvr. definition", 30000, [](SplitRequest& s) { s.kvrExtension = true; }),
      make("from 01, fixed sizes", 30000,
           [](SplitRequest& s) {
             s.numberFromOne = true;
             s.randomSizes = false;
           }),
      make("random sizes", 200000, [](SplitRequest& s) { s.partSizeKb = 20; }),
      make("empty source", 0, {}),
      make("one byte", 1, {}),
      make("150 parts of 1 KB", 150 * 1024,
           [](SplitRequest& s) {
             s.partSizeKb = 1;
             s.randomSizes = false;
           }),
      make("Chinese name", 40000, {}, "電影 第一集.avi"),
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.what);
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directories(out);
    const auto definition = MakeSet(shape.size, shape.adjust, shape.name);
    ui = test::RecordingEvents();
    ASSERT_TRUE(
        Join(definition, shape.password.empty() ? std::nullopt : std::optional(shape.password)))
        << (ui.errors.empty() ? "" : ui.errors[0]);
    EXPECT_EQ(test::ReadBytes(joined), content);
    EXPECT_EQ(joined.filename(), shape.name);
    EXPECT_EQ(ui.infos, std::vector<std::string>{std::string(msg::kJoinCompleted)});
    EXPECT_EQ(ui.Rows().size(), loaded.parts.size());
    for (const auto& row : ui.Rows()) EXPECT_EQ(row.state, msg::kStateJoined);
  }
}

// A set of three disguised parts in the older format, built by hand: the generator
// scrambler, and the halves of parts 0 and 1 exchanged.
TEST_F(JoinTest, GeneratorCipherSetJoinsInItsOrder) {
  content = test::RandomBytes(7001, 3);
  const auto definition =
      test::WriteGeneratorCipherSet(dir.path(), content, test::FakePicture(12), 12);
  loaded = ReadDefinition(definition, pendants);

  ASSERT_TRUE(Join(definition)) << (ui.errors.empty() ? "" : ui.errors[0]);
  EXPECT_EQ(test::ReadBytes(joined), content);
  // part 0 is listed first as kept back, then 1 and 2 are joined, then part 0.
  ASSERT_EQ(ui.added.size(), 4u);
  EXPECT_EQ(ui.added[0].caption, "old00.png");
  EXPECT_EQ(ui.added[0].state, msg::kStateKeptBack);
  EXPECT_EQ(ui.added[1].caption, "old01.png");
  EXPECT_EQ(ui.added[2].caption, "old02.png");
  EXPECT_EQ(ui.added[3].caption, "old00.png");
  EXPECT_EQ(ui.added[3].state, msg::kStateJoined);
}

TEST_F(JoinTest, MissingPartSkippedOrStopping) {
  const auto definition = MakeSet(50000);
  const Bytes lost = test::ReadBytes(PartPath(1));
  std::filesystem::remove(PartPath(1));

  EXPECT_FALSE(Join(definition));  // the question answered No
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_NE(ui.questions[0].find("上面的檔案並不存在。是否要繼續進行合併？"), std::string::npos);
  EXPECT_NE(ui.questions[0].find(PartPath(1).string()), std::string::npos);
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kJoinFailedClosing)});
  EXPECT_FALSE(std::filesystem::exists(joined));

  ui = test::RecordingEvents();
  ui.answers = {Answer::Yes};
  EXPECT_TRUE(Join(definition));
  const auto& part1 = loaded.parts[1];
  Bytes expected(content.begin(), content.begin() + loaded.parts[0].Size);
  expected.insert(expected.end(), content.begin() + loaded.parts[0].Size + part1.Size,
                  content.end());
  EXPECT_EQ(test::ReadBytes(joined), expected);
  EXPECT_EQ(ui.Rows()[1].state, msg::kStateMissing);
  // The output is kept, and the closing says it is not the source.
  EXPECT_EQ(ui.finished.back().outcome, Outcome::Incomplete);
  EXPECT_EQ(ui.warnings, std::vector<std::string>{msg::kJoinIncomplete(1, 0).Chinese()});
  EXPECT_TRUE(ui.infos.empty());
}

TEST_F(JoinTest, CorruptPartForcedOrStopping) {
  const auto definition = MakeSet(50000, [](SplitRequest& s) { s.disguise = false; });
  Bytes part = test::ReadBytes(PartPath(2));
  part[5] ^= 0xFF;
  test::WriteBytes(PartPath(2), part);

  EXPECT_FALSE(Join(definition));
  EXPECT_NE(ui.questions.at(0).find("CRC 檢查並不一致。是否要進行合併？"), std::string::npos);
  EXPECT_EQ(ui.Rows().back().state, msg::kStateCorrupt);
  EXPECT_FALSE(std::filesystem::exists(joined));

  ui = test::RecordingEvents();
  ui.answers = {Answer::Yes};
  EXPECT_TRUE(Join(definition));
  Bytes expected = content;
  expected[static_cast<size_t>(loaded.parts[0].Size + loaded.parts[1].Size) + 5] ^= 0xFF;
  EXPECT_EQ(test::ReadBytes(joined), expected);
  EXPECT_EQ(ui.Rows()[2].state, msg::kStateCorrupt);
  EXPECT_EQ(ui.warnings, std::vector<std::string>{msg::kJoinIncomplete(0, 1).Chinese()});
}

TEST_F(JoinTest, FixablePartJoinsWithoutItsExtraBytes) {
  const auto definition = MakeSet(50000, [](SplitRequest& s) { s.disguise = false; });
  Bytes part = test::ReadBytes(PartPath(1));
  part.insert(part.end(), 10, 0x42);
  test::WriteBytes(PartPath(1), part);
  ASSERT_TRUE(Join(definition));
  EXPECT_EQ(test::ReadBytes(joined), content);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(JoinTest, WrongPasswordLeavesNothing) {
  const auto definition = MakeSet(50000, [](SplitRequest& s) { s.password = "right"; });
  EXPECT_FALSE(Join(definition, "wrong"));
  // Proved wrong on the first part, before any work.
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kWrongPassword231)});
  EXPECT_TRUE(ui.Rows().empty());
  EXPECT_TRUE(ui.warnings.empty());  // ends without a closing message
  EXPECT_EQ(ui.workEnded, 0);
  EXPECT_FALSE(std::filesystem::exists(joined));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 0);

  // Without a given password the box asks until it gets one; Cancel ends quietly.
  ui = test::RecordingEvents();
  ui.passwords = {std::string(), std::string("right")};
  EXPECT_TRUE(Join(definition));
  EXPECT_EQ(test::ReadBytes(joined), content);
  std::filesystem::remove(joined);
  ui = test::RecordingEvents();
  EXPECT_FALSE(Join(definition));
  EXPECT_TRUE(ui.errors.empty() && ui.warnings.empty());
  EXPECT_FALSE(std::filesystem::exists(joined));
}

TEST_F(JoinTest, RecordsUnderOtherNamesCannotBeDecoded) {
  MakeSet(30000);
  // Same parts under other names: the parts are intact, but their key was the old name.
  std::vector<PartRecord> records = split.parts;
  for (size_t i = 0; i < records.size(); ++i) {
    records[i].FileName = "renamed" + std::to_string(i) + ".png";
    std::filesystem::rename(PartPath(i), dir / records[i].FileName);
  }
  const auto definition = dir / "renamed.kvr";
  test::WriteBytes(definition, EncodeDefinition(split.header, records));
  loaded = ReadDefinition(definition, pendants);
  EXPECT_FALSE(Join(definition));
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kDecodeFailed292)});
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kJoinFailedClosing)});
  EXPECT_FALSE(std::filesystem::exists(joined));
}

TEST_F(JoinTest, ExistingOutputIsAskedAboutAndNeverLostToAFailure) {
  const auto definition = MakeSet(50000);
  const Bytes old = {'o', 'l', 'd'};
  test::WriteBytes(out / "movie.avi", old);

  ui.answers = {Answer::Cancel};
  EXPECT_FALSE(Join(definition));
  EXPECT_EQ(ui.questions, std::vector<std::string>{std::string(msg::kOutputExistsQuestion)});
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), old);

  // Replace (No), but the join fails on a missing part: the old file stays.
  std::filesystem::rename(PartPath(2), dir / "away.png");
  ui = test::RecordingEvents();
  ui.answers = {Answer::No, Answer::No};
  EXPECT_FALSE(Join(definition));
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), old);

  // Abort after the first part: the partial file must not replace the old one.
  std::filesystem::rename(dir / "away.png", PartPath(2));
  ui = test::RecordingEvents();
  ui.answers = {Answer::No};
  ui.abortAfterProgress = 1;
  EXPECT_FALSE(Join(definition));
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kJoinInterrupted)});
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), old);

  // Yes: another name from the save dialog.
  ui = test::RecordingEvents();
  ui.answers = {Answer::Yes};
  ui.saveAs = out / "other.avi";
  EXPECT_TRUE(Join(definition));
  EXPECT_EQ(test::ReadBytes(out / "other.avi"), content);
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), old);

  // No: replaced once the join completes.
  ui = test::RecordingEvents();
  ui.answers = {Answer::No};
  EXPECT_TRUE(Join(definition));
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), content);
}

TEST_F(JoinTest, AbortLeavesNoFileUnderTheOutputsName) {
  const auto definition = MakeSet(50000);
  ui.abortAfterProgress = 1;
  EXPECT_FALSE(Join(definition));
  EXPECT_FALSE(std::filesystem::exists(joined));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(joined.parent_path()), {}), 0);
}

// A FIFO or a folder of the output's name is refused; a dangling link is asked about.
class JoinOutputKindTest : public JoinTest, public ::testing::WithParamInterface<int> {};
TEST_P(JoinOutputKindTest, OnlyAFileOrALinkIsReplaced) {
  const auto definition = MakeSet(30000), target = out / "movie.avi";
  const bool link = GetParam() == 2;
  if (GetParam() == 0) ::mkfifo(target.c_str(), 0600);  // checked by the join refusing it
  if (GetParam() == 1) std::filesystem::create_directory(target);
  if (link) std::filesystem::create_symlink("nowhere", target);
  EXPECT_EQ(Join(definition), link);
  EXPECT_EQ(ui.questions.size(), link ? 1u : 0u);
  EXPECT_EQ(ui.errors, std::vector<std::string>(!link, std::string(msg::kOutputNotAFile245)));
  EXPECT_EQ(std::filesystem::is_regular_file(std::filesystem::symlink_status(target)), link);
}
INSTANTIATE_TEST_SUITE_P(Kinds, JoinOutputKindTest, ::testing::Range(0, 3));

TEST_F(JoinTest, ChangedDefinitionIsReadAgain) {
  const auto definition = MakeSet(30000, [](SplitRequest& s) { s.comment = "old"; });
  DefinitionHeader h = split.header;
  h.Comment = "new";
  test::WriteBytes(definition, EncodeDefinition(h, split.parts));
  ASSERT_TRUE(Join(definition));
  EXPECT_EQ(loaded.header.Comment, "new");
  EXPECT_EQ(ui.summaries[OperationKind::Join][5].second, "new");
  EXPECT_EQ(test::ReadBytes(joined), content);

  // A definition that no longer reads ends the join with the reader's message.
  test::WriteBytes(definition, Bytes{'K', 'V', '9'});
  ui = test::RecordingEvents();
  EXPECT_FALSE(Join(definition));
  EXPECT_EQ(ui.errors, std::vector<std::string>{std::string(msg::kNotDefinition211)});
}

TEST_F(JoinTest, UnknownCipherKindIsRefusedBeforeWriting) {
  MakeSet(30000);
  DefinitionHeader h = split.header;
  h.CipherKind = 5;
  const auto definition = dir / "odd.kvr";
  test::WriteBytes(definition, EncodeDefinition(h, split.parts));
  loaded = ReadDefinition(definition, pendants);
  EXPECT_FALSE(Join(definition));
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("(293)"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(joined));
}

TEST_F(JoinTest, OutputOfTheWrongLengthIsAFailure) {
  MakeSet(30000);
  DefinitionHeader h = split.header;
  h.SourceSize += 1;  // the parts add up to one byte less
  const auto definition = dir / "odd.kvr";
  test::WriteBytes(definition, EncodeDefinition(h, split.parts));
  loaded = ReadDefinition(definition, pendants);
  const Bytes old = {'o', 'l', 'd'};
  test::WriteBytes(out / "movie.avi", old);
  ui.answers = {Answer::No};  // replace the existing file
  EXPECT_FALSE(Join(definition));
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0], msg::kJoinedSizeWrong244);
  EXPECT_EQ(ui.warnings, std::vector<std::string>{std::string(msg::kJoinFailedClosing)});
  EXPECT_EQ(test::ReadBytes(out / "movie.avi"), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 1);
  // A part the user chose to skip changes the length by choice: MissingPartSkippedOrStopping.
}

TEST_F(JoinTest, ShortPartJoinedAnywayEndsWithAReadError) {
  const auto definition = MakeSet(30000);
  Bytes part = test::ReadBytes(PartPath(0));
  part.resize(part.size() / 2);
  test::WriteBytes(PartPath(0), part);
  ui.answers = {Answer::Yes};
  EXPECT_FALSE(Join(definition));
  ASSERT_FALSE(ui.errors.empty());
  EXPECT_EQ(ui.errors[0], msg::kReadPartFailed242);
  EXPECT_FALSE(std::filesystem::exists(joined));
}

}  // namespace
}  // namespace kivora
