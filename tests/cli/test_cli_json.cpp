// --json and --quiet of the commands that run an operation.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "app/cli/JsonReport.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// A set of 20 parts with one recovery part; `damaged`: part 3 is lost and part 5 damaged.
std::filesystem::path MakeSet(const test::TempDir& dir, bool damaged) {
  test::WriteBytes(dir / "data.bin", test::RandomBytes(20 * 1024 - 7, 9));
  EXPECT_EQ(test::RunCli({"split", (dir / "data.bin").string(), "-s", "1", "--no-random", "--plain",
                          "-e", "bin", "--recovery", "1", "-q"})
                .code,
            0);
  if (damaged) {
    std::filesystem::remove(dir / "data03.bin");
    auto part = test::ReadBytes(dir / "data05.bin");
    part[100] ^= 1;
    test::WriteBytes(dir / "data05.bin", part);
  }
  return dir / "data.kvr";
}

// Each command with --quiet on a whole set says nothing at all.
class CliQuiet : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliQuiet, PrintsNothingOnSuccess) {
  test::TempDir dir;
  std::vector<std::string> args{GetParam()[0], MakeSet(dir, false).string(), "-q"};
  for (auto arg = GetParam().begin() + 1; arg != GetParam().end(); ++arg) {
    args.push_back(*arg == "data.bin" ? (dir / *arg).string() : *arg);  // the source
  }
  const auto run = test::RunCli(args);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
}

INSTANTIATE_TEST_SUITE_P(Commands, CliQuiet,
                         ::testing::Values(std::vector<std::string>{"test"},
                                           std::vector<std::string>{"join", "--overwrite"},
                                           std::vector<std::string>{"resplit", "data.bin", "--all"},
                                           std::vector<std::string>{"repair"},
                                           std::vector<std::string>{"add-recovery", "1"}));

// A test or join that meets errors names each problem file with its state, and no other.
TEST(CliQuietFailure, NamesTheProblemFilesAndTheClosingNotices) {
  const auto line = [](const char* name, const MessageTemplate<>& state) {
    return std::string(name) + "\t" + std::string(state) + "\n";
  };
  for (const bool join : {false, true}) {
    test::TempDir dir;
    const auto def = MakeSet(dir, true).string();
    const auto run =
        join ? test::RunCli({"join", def, "-q", "--overwrite"}) : test::RunCli({"test", def, "-q"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find(line("data03.bin", msg::kStateMissing)), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("data00.bin"), std::string::npos) << run.out;
    if (join) continue;  // the join stops at the missing part
    EXPECT_NE(run.out.find(line("data05.bin", msg::kStateCorrupt)), std::string::npos) << run.out;
    EXPECT_EQ(run.err.rfind(msg::kTestFoundErrors().Chinese() + "\n", 0), 0u) << run.err;
  }
}

struct JsonCase {
  std::vector<std::string> args;  // after the definition
  std::string whole;              // the state of the parts that are not damaged
  std::vector<int> numbers;       // of the messages that have one
  MessageText firstMessage;
  int exit;
  std::string outcome, lastKind;  // the outcome word and the closing message's kind
};

class CliJsonReport : public ::testing::TestWithParam<std::tuple<JsonCase, Language>> {};

TEST_P(CliJsonReport, GivesTheSameWordsAndNumbersInEveryLanguage) {
  const auto& [row, language] = GetParam();
  test::TempDir dir;
  std::vector<std::string> args{row.args[0], MakeSet(dir, true).string(), "--json"};
  args.insert(args.end(), row.args.begin() + 1, row.args.end());
  std::ostringstream out, err;
  cli::Context context{out, err, false, false, language};
  ASSERT_EQ(cli::Run(args, context), row.exit) << err.str();

  const cli::Json doc = cli::Json::parse(out.str());
  EXPECT_EQ(doc["command"], row.args[0]);
  EXPECT_EQ(doc["exit"], row.exit);
  EXPECT_EQ(doc["outcome"], row.outcome);
  std::map<std::string, std::string> states;
  for (const auto& file : doc["files"]) states[file["name"]] = file["state"];
  for (int i = 0; i < 20; ++i) {
    const std::string name = fmt::format("data{:02}.bin", i);
    EXPECT_EQ(states[name], i == 3 ? "missing" : i == 5 ? "corrupt" : row.whole) << name;
  }
  std::vector<int> numbers;
  const cli::Json& messages = doc["messages"];
  for (const auto& message : messages) {
    if (!message["number"].is_null()) numbers.push_back(message["number"]);
  }
  EXPECT_EQ(numbers, row.numbers);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front()["text"], row.firstMessage.In(language));
  EXPECT_EQ(messages.back()["kind"], row.lastKind);
}

// A command line refused before anything ran gives a usage document; an operation that
// could not run fails, with a failure closing: nobody stopped it.
TEST(CliJsonEnd, RefusedAndFailedCommandsGiveTheirDocument) {
  test::TempDir dir;
  const std::string def = MakeSet(dir, false).string();
  const struct {
    std::vector<std::string> line;
    int exit;
    std::string outcome, lastKind;
  } rows[] = {{{"add-recovery", def, "300", "--json"}, 2, "usage", "error"},
              {{"split", def, "--bogus", "--json"}, 2, "usage", "error"},
              {{"join", def, "-o", "-", "--json"}, 2, "usage", "error"},
              {{"split", (dir / "nosuch").string(), "--json"}, 1, "failed", "failure"}};
  for (const auto& row : rows) {
    const auto run = test::RunCli(row.line);
    EXPECT_EQ(run.code, row.exit) << row.line[0];
    const cli::Json doc = cli::Json::parse(run.out);
    EXPECT_EQ(doc["command"], row.line[0]) << run.out;
    EXPECT_EQ(doc["outcome"], row.outcome) << run.out;
    EXPECT_EQ(doc["exit"], row.exit);
    ASSERT_FALSE(doc["messages"].empty()) << run.out;
    EXPECT_EQ(doc["messages"].back()["kind"], row.lastKind);
  }
}

const JsonCase kJsonCases[] = {
    {{"test"}, "ok", {}, msg::kTestFoundErrors, 1, "problems-found", "completion"},
    {{"join", "--skip-missing", "--force-corrupt", "--overwrite"},
     "joined",
     {},
     msg::kJoinIncomplete(1, 1),
     3,
     "incomplete",
     "warning"},
    // Damage it cannot put right: the set's problems stay, nothing was interrupted.
    {{"repair"}, "ok", {321}, msg::kRepairTooManyLost321, 1, "problems-found", "error"},
};

INSTANTIATE_TEST_SUITE_P(Commands, CliJsonReport,
                         ::testing::Combine(::testing::ValuesIn(kJsonCases),
                                            ::testing::Values(Language::Chinese,
                                                              Language::English)),
                         [](const auto& param_info) {
                           return std::get<0>(param_info.param).args[0] +
                                  (std::get<1>(param_info.param) == Language::English ? "En"
                                                                                      : "Zh");
                         });

}  // namespace
}  // namespace kivora
