#include <gtest/gtest.h>

#include <cstring>

#include "app/cli/JsonReport.h"
#include "app/cli/PartList.h"
#include "app/cli/TerminalText.h"
#include "core/format/DefinitionWriter.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using test::RunCli;

class CliJoinTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<std::uint8_t> content;
  std::filesystem::path out;

  void SetUp() override { out = dir / "out"; }
  // Splits a source of `size` bytes with extra split options; returns the definition.
  std::filesystem::path Split(size_t size, std::vector<std::string> options = {},
                              const std::string& name = "data.bin") {
    content = test::RandomBytes(size, 5);
    test::WriteBytes(dir / name, content);
    std::vector<std::string> args = {"split", (dir / name).string(), "-s", "10", "--seed", "3"};
    args.insert(args.end(), options.begin(), options.end());
    const auto run = RunCli(args);
    EXPECT_EQ(run.code, 0) << run.err;
    return dir / (std::filesystem::path(name).stem().string() + ".kvr");
  }
  test::CliRun Join(const std::filesystem::path& def, std::vector<std::string> options = {}) {
    std::vector<std::string> args = {"join", def.string(), "-o", out.string(), "--mkdir"};
    args.insert(args.end(), options.begin(), options.end());
    return RunCli(args);
  }
};

TEST_F(CliJoinTest, TestThenJoinRoundTrips) {
  const auto def = Split(45000, {"-c", "comment"});
  const auto test = RunCli({"test", def.string()});
  EXPECT_EQ(test.code, 0) << test.err;
  EXPECT_NE(test.out.find("data00.png\tOK"), std::string::npos);
  EXPECT_NE(test.err.find(msg::kTestNoProblemQuestion), std::string::npos);

  const auto join = Join(def);
  ASSERT_EQ(join.code, 0) << join.err;
  EXPECT_EQ(test::ReadBytes(out / "data.bin"), content);
  EXPECT_NE(join.out.find("data04.png\t合併"), std::string::npos);
  EXPECT_NE(join.err.find(msg::kJoinCompleted), std::string::npos);
}

TEST_F(CliJoinTest, ImplantedPasswordSetWithAChineseName) {
  Split(30000, {"--implant", "-p", "秘密"}, "相片集.zip");
  const auto last = dir / "相片集02.png";
  // No password and no terminal: a clear message, nothing written.
  auto join = Join(last);
  EXPECT_EQ(join.code, 1);
  EXPECT_NE(join.err.find("KIVORA_PASSWORD"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out / "相片集.zip"));

  ::setenv("KIVORA_PASSWORD", "秘密", 1);
  join = Join(last);
  ::unsetenv("KIVORA_PASSWORD");
  ASSERT_EQ(join.code, 0) << join.err;
  EXPECT_EQ(test::ReadBytes(out / "相片集.zip"), content);

  join = Join(last, {"--overwrite", "-p", "wrong"});
  EXPECT_EQ(join.code, 1);
  EXPECT_NE(join.err.find(msg::kWrongPassword231), std::string::npos);
  EXPECT_EQ(test::ReadBytes(out / "相片集.zip"), content);
}

TEST_F(CliJoinTest, FlagsAnswerTheQuestions) {
  const auto def = Split(45000, {"--plain"});
  std::filesystem::remove(dir / "data01.png");
  EXPECT_EQ(Join(def).code, 1);
  EXPECT_FALSE(std::filesystem::exists(out));  // nor the folder --mkdir made for it
  EXPECT_EQ(RunCli({"test", def.string()}).code, 1);

  auto join = Join(def, {"--skip-missing"});
  ASSERT_EQ(join.code, 3) << join.err;  // finished, but the output is not the source
  EXPECT_NE(join.out.find("data01.png\t不存在"), std::string::npos);
  EXPECT_LT(test::ReadBytes(out / "data.bin").size(), content.size());

  // An existing output stops the join unless --overwrite is given.
  const std::vector<std::uint8_t> old = {1, 2, 3};
  test::WriteBytes(out / "data.bin", old);
  join = Join(def, {"--skip-missing"});
  EXPECT_EQ(join.code, 1);
  EXPECT_EQ(test::ReadBytes(out / "data.bin"), old);

  auto part = test::ReadBytes(dir / "data02.png");
  part[0] ^= 1;
  test::WriteBytes(dir / "data02.png", part);
  join = Join(def, {"--skip-missing", "--overwrite"});
  EXPECT_EQ(join.code, 1);  // the corrupt part stops it
  EXPECT_EQ(test::ReadBytes(out / "data.bin"), old);
  join = Join(def, {"--skip-missing", "--overwrite", "--force-corrupt"});
  EXPECT_EQ(join.code, 3) << join.err;
  EXPECT_NE(join.err.find(msg::kJoinIncomplete(1, 1).Chinese()), std::string::npos) << join.err;
  EXPECT_NE(join.out.find("data02.png\t毀損"), std::string::npos);

  const auto explicitFile = dir / "elsewhere.bin";
  join = RunCli({"join", def.string(), "--output", explicitFile.string(), "--skip-missing",
                 "--force-corrupt"});
  EXPECT_EQ(join.code, 3) << join.err;
  EXPECT_TRUE(std::filesystem::exists(explicitFile));
  EXPECT_EQ(RunCli({"join", def.string(), "-o", "x", "--output", "y"}).code, 2);
}

// Each flag answers one kind of question, whatever the question's text holds: here the
// parts are named with the wording of the other question.
TEST_F(CliJoinTest, FlagsFollowTheQuestionsKindNotItsText) {
  const std::string missingWording = "上面的檔案並不存在。是否要繼續進行合併？";
  const std::string corruptWording = "CRC 檢查並不一致。是否要進行合併？";
  for (const bool corruptCase : {true, false}) {
    SCOPED_TRACE(corruptCase ? "corrupt part, --skip-missing" : "missing part, --force-corrupt");
    std::filesystem::remove_all(dir.path());
    const std::string base = corruptCase ? missingWording : corruptWording;
    Split(25000, {"--plain", "-n", base});
    const auto def = dir / (base + ".kvr");
    const auto part = dir / (base + "01.png");
    if (corruptCase) {
      auto bytes = test::ReadBytes(part);
      bytes[0] ^= 1;
      test::WriteBytes(part, bytes);
    } else {
      std::filesystem::remove(part);
    }
    const auto join = Join(def, {corruptCase ? "--skip-missing" : "--force-corrupt"});
    EXPECT_EQ(join.code, 1) << join.err;  // the flag given does not answer this question
    EXPECT_NE(join.err.find("→ 否 (No)"), std::string::npos) << join.err;
    EXPECT_FALSE(std::filesystem::exists(out / "data.bin"));
  }
}

TEST_F(CliJoinTest, ResplitRebuildsChosenParts) {
  const auto def = Split(60000, {"-p", "pw"});
  const auto part3 = test::ReadBytes(dir / "data03.png");
  std::filesystem::remove(dir / "data03.png");
  std::filesystem::remove(dir / "data04.png");

  auto run =
      RunCli({"resplit", def.string(), (dir / "data.bin").string(), "--parts", "3", "-p", "pw"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(dir / "data03.png"), part3);
  EXPECT_FALSE(std::filesystem::exists(dir / "data04.png"));
  EXPECT_NE(run.out.find("data03.png\t再偽裝"), std::string::npos);

  run = RunCli({"resplit", def.string(), (dir / "data.bin").string(), "-p", "nope"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find(msg::kWrongPassword231), std::string::npos);

  const auto rebuilt = dir / "rebuilt";
  run = RunCli({"resplit", def.string(), (dir / "data.bin").string(), "--all", "-p", "pw", "-o",
                rebuilt.string(), "--mkdir"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(test::ReadBytes(rebuilt / "data03.png"), part3);

  EXPECT_EQ(RunCli({"resplit", def.string(), "src", "--parts", "1-x"}).code, 2);
  EXPECT_EQ(RunCli({"resplit", def.string(), "src", "--parts", "1", "--all"}).code, 2);
}

// Where the joined file's name cannot even be looked up, the join fails with (241) and
// the system's reason.
TEST_F(CliJoinTest, OutputThatCannotBeLookedUpFailsWithTheReason) {
  DefinitionHeader header;
  header.SourceName = std::string(300, 'a');
  header.SourceSize = 1;
  header.PartCount = 1;
  const std::vector<PartRecord> parts = {{.FileName = "p0", .Size = 1}};
  test::WriteBytes(dir / "long.kvr", EncodeDefinition(header, parts));
  test::WriteBytes(dir / "p0", std::vector<std::uint8_t>{1});
  std::filesystem::create_symlink("loop", dir / "loop");

  const struct {
    std::vector<std::string> args;
    int reason;
  } cases[] = {
      {{"join", (dir / "long.kvr").string()}, ENAMETOOLONG},
      {{"join", Split(100).string(), "--output", (dir / "loop" / "x.bin").string()}, ELOOP},
  };
  for (const auto& c : cases) {
    const auto join = RunCli(c.args);
    EXPECT_EQ(join.code, 1);
    EXPECT_NE(join.err.find(msg::kCreateJoinedFailed241), std::string::npos) << join.err;
    EXPECT_NE(join.err.find(std::strerror(c.reason)), std::string::npos) << join.err;
  }
}

TEST_F(CliJoinTest, LongestNamesSplitAndJoin) {
  const std::string source = std::string(251, 's') + ".bin";  // 255 bytes
  const std::string base(249, 'p');                           // parts: base + "00.png"
  content = test::RandomBytes(25000, 9);
  test::WriteBytes(dir / source, content);
  const auto split = RunCli({"split", (dir / source).string(), "-n", base, "-s", "10"});
  ASSERT_EQ(split.code, 0) << split.err;
  ASSERT_TRUE(std::filesystem::exists(dir / (base + "02.png")));
  const auto join = Join(dir / (base + ".kvr"));
  ASSERT_EQ(join.code, 0) << join.err;
  EXPECT_EQ(test::ReadBytes(out / source), content);
}

// A definition too large to be one names the reason once, not (201) twice.
TEST_F(CliJoinTest, OversizedDefinitionNamesItsReasonOnce) {
  const auto def = dir / "big.kvr";
  test::WriteBytes(def, std::vector<std::uint8_t>{'K', 'V'});
  std::filesystem::resize_file(def, (64 << 20) + 1);
  const auto info = RunCli({"info", def.string()});
  EXPECT_EQ(info.code, 1);
  const auto first = info.err.find("(201)");
  ASSERT_NE(first, std::string::npos) << info.err;
  EXPECT_EQ(info.err.find("(201)", first + 1), std::string::npos) << info.err;
}

TEST(TerminalText, EscapesWhatATerminalWouldActOnAndKeepsPrintableUnicode) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"相片集 a.png", "相片集 a.png"},
      {"a\x1b[2Jb\x07", "a\\x1b[2Jb\\x07"},
      {"a\tb\r\nc\\d\x7f", "a\\tb\\r\\nc\\\\d\\x7f"},
      {"\xc2\x9b"
       "31m|\xe2\x80\xa8|\xe2\x80\xae",
       "\\u009b31m|\\u2028|\\u202e"},                            // C1 CSI, marks
      {"a\xd8\x9c\xe2\x80\x8b\xe2\x81\xa4\xef\xbb\xbf\xc2\xad",  // U+061C, zero widths, BOM
       "a\\u061c\\u200b\\u2064\\ufeff\\u00ad"},
      {"\xf3\xa0\x80\x81", "\\U000e0001"},  // a tag character, past U+FFFF
      {"\xff\xe6\x8e", "\\xff\\xe6\\x8e"},  // not UTF-8
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(cli::TerminalText(text), shown) << shown;
  EXPECT_EQ(cli::JsonText(cli::Json("\x1b\xe2\x80\xa8\xff\"相\"\xf3\xa0\x80\x81\x7f")),
            "\"\\u001b\\u2028\\ufffd\\\"相\\\"\\udb40\\udc01\\u007f\"");
  EXPECT_EQ(cli::TerminalMessage(msg::kPartNotAuthentic251("%s")),
            msg::kPartNotAuthentic251("%s").Chinese());
}

// Names and a comment with escape sequences and line breaks, as a hostile definition
// could hold them, reach the terminal escaped from every subcommand.
TEST_F(CliJoinTest, NamesAndCommentsFromADefinitionAreShownEscaped) {
  const std::string name = "ev\x1b]0;t\x07il\n";
  const auto def =
      Split(30000, {"--plain", "--no-random", "-c", "note\x1b[2J\r\nforged"}, name + ".bin");
  std::filesystem::remove(dir / (name + "01.png"));
  const std::string shown = "ev\\x1b]0;t\\x07il\\n";
  const std::vector<test::CliRun> runs = {
      RunCli({"info", def.string()}), RunCli({"info", def.string(), "--json"}),
      RunCli({"test", def.string()}), Join(def), Join(def, {"--skip-missing"})};
  for (const auto& run : runs) {
    const std::string all = run.out + run.err;
    EXPECT_EQ(all.find_first_of("\x1b\x07\r"), std::string::npos) << all;
    EXPECT_EQ(all.find("\nforged"), std::string::npos) << all;
  }
  EXPECT_NE(runs[0].out.find("note\\x1b[2J\\r\\nforged\n"), std::string::npos) << runs[0].out;
  EXPECT_NE(runs[0].out.find("\t" + shown + "00.png\t"), std::string::npos) << runs[0].out;
  EXPECT_NE(runs[1].out.find("\"ev\\u001b]0;t\\u0007il\\n.bin\""), std::string::npos)
      << runs[1].out;
  EXPECT_NE(runs[2].out.find(shown + "01.png\t不存在"), std::string::npos) << runs[2].out;
  // The question keeps its own line break after the escaped path.
  EXPECT_NE(runs[3].err.find(shown + "01.png" + msg::kMissingPartQuestion("").Chinese()),
            std::string::npos)
      << runs[3].err;
  EXPECT_EQ(runs[4].code, 3) << runs[4].err;  // kept, without the missing part
  EXPECT_NE(runs[4].out.find(shown + ".bin\n"), std::string::npos) << runs[4].out;
}

// Parsed against a set of 8 parts.
struct PartListCase {
  const char* text;
  cli::PartList::Status status;
  std::vector<int> indices;  // Ok
  const char* fault;         // otherwise
};

void PrintTo(const PartListCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class PartListTest : public ::testing::TestWithParam<PartListCase> {};

TEST_P(PartListTest, ParsesWithinThePartCount) {
  const PartListCase& c = GetParam();
  const cli::PartList list = cli::ParsePartList(c.text, 8);
  EXPECT_EQ(list.status, c.status);
  EXPECT_EQ(list.indices, c.indices);
  EXPECT_EQ(list.fault, c.fault);
}

using enum cli::PartList::Status;
INSTANTIATE_TEST_SUITE_P(
    Texts, PartListTest,
    ::testing::Values(
        PartListCase{"0,3,5-7", Ok, {0, 3, 5, 6, 7}, ""}, PartListCase{" 7, 7 ,2 ", Ok, {2, 7}, ""},
        PartListCase{"0-7", Ok, {0, 1, 2, 3, 4, 5, 6, 7}, ""},
        PartListCase{" ", Ok, {}, ""},  // names nothing
        PartListCase{"1,,2", Malformed, {}, ""}, PartListCase{"3-1", Malformed, {}, "3-1"},
        PartListCase{"1-x", Malformed, {}, "1-x"}, PartListCase{"-1", Malformed, {}, "-1"},
        PartListCase{"0x3", Malformed, {}, "0x3"}, PartListCase{"1,8", OutOfRange, {}, "8"},
        PartListCase{"2147483647", OutOfRange, {}, "2147483647"},
        PartListCase{"0-2147483647", OutOfRange, {}, "2147483647"},
        PartListCase{"5-99999999999999999999", OutOfRange, {}, "99999999999999999999"}));

TEST_F(CliJoinTest, ResplitRefusesIndicesOutsideTheSetAndAnEmptySelection) {
  const auto def = Split(30000, {"--no-random"});  // 3 parts
  const auto part1 = test::ReadBytes(dir / "data01.png");
  std::filesystem::remove(dir / "data01.png");
  const std::string source = (dir / "data.bin").string();
  for (const auto& [parts, named] :
       {std::pair{"99", " 99 "}, {"1,7", " 7 "}, {"2147483647", " 2147483647 "}}) {
    const auto run = RunCli({"resplit", def.string(), source, "--parts", parts});
    EXPECT_EQ(run.code, 2) << parts;
    EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
  }
  const auto run = RunCli({"resplit", def.string(), source, "--parts", ""});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find(msg::kSelectPartsToResplit), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(msg::kResplitCompleted), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "data01.png"));
  ASSERT_EQ(RunCli({"resplit", def.string(), source, "--parts", "1"}).code, 0);
  EXPECT_EQ(test::ReadBytes(dir / "data01.png"), part1);
}

}  // namespace
}  // namespace kivora
