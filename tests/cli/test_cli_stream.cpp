#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <regex>
#include <thread>

#include "app/cli/CliMessages.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using test::RunCli;
namespace texts = cli::texts;

// Standard input is a pipe that a thread of its own fills, as a program in a pipeline
// does: with `bytes`, or with them over and over until the reader goes. Standard input
// comes back when this goes.
class PipedStandardInput {
 public:
  explicit PipedStandardInput(std::vector<std::uint8_t> bytes, bool endless = false) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    saved_ = ::dup(STDIN_FILENO);
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
    writer_ = std::thread([fd = fds[1], bytes = std::move(bytes), endless] {
      sigset_t pipe;  // a reader that went makes write fail instead of ending the tests
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
      bool more = true;
      do {
        for (size_t done = 0; more && done < bytes.size();) {
          const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
          more = n > 0;
          done += more ? static_cast<size_t>(n) : 0;
        }
      } while (more && endless);
      ::close(fd);
    });
  }
  ~PipedStandardInput() {
    ::dup2(saved_, STDIN_FILENO);
    ::close(saved_);
    writer_.join();
  }

 private:
  int saved_ = -1;
  std::thread writer_;
};

// The parts' names and sizes as `info --json` lists them.
std::vector<std::pair<std::string, long long>> PartsOf(const std::filesystem::path& definition) {
  const std::string json = RunCli({"info", definition.string(), "--json"}).out;
  static const std::regex part(R"re("fileName":"([^"]+)","size":(\d+))re");
  std::vector<std::pair<std::string, long long>> parts;
  for (std::sregex_iterator it(json.begin(), json.end(), part), end; it != end; ++it)
    parts.emplace_back((*it)[1], std::stoll((*it)[2]));
  return parts;
}

struct StreamCase {
  const char* name;
  std::vector<std::string> options;
};

class CliStreamSplit : public ::testing::TestWithParam<StreamCase> {};

// Standard input splits into parts of the sizes the same bytes split as a file take with
// the same seed, numbered for the largest count, and joins back to those bytes under the
// name --source-name gives.
TEST_P(CliStreamSplit, JoinsBackAsTheFileWould) {
  test::TempDir dir;
  const std::vector<std::uint8_t> content = test::RandomBytes(150'001, 9);
  test::WriteBytes(dir / "photos.tar", content);
  const auto split = [&](const std::string& source, const std::string& folder) {
    std::vector<std::string> args = {
        "split",   source,   "-n", "photos",        "-o",        (dir / folder).string(),
        "--mkdir", "--seed", "5",  "--source-name", "photos.tar"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    return RunCli(args);
  };
  const auto file = split((dir / "photos.tar").string(), "file");
  ASSERT_EQ(file.code, 0) << file.err;
  test::CliRun stream;
  {
    PipedStandardInput input(content);
    stream = split("-", "stream");
  }
  ASSERT_EQ(stream.code, 0) << stream.err;
  const bool implanted = GetParam().options.front() == "--implant";
  const auto definition = [&](const std::string& folder, const std::string& last) {
    return dir / folder / (implanted ? last : "photos.kvr");
  };
  const auto fileParts = PartsOf(definition("file", "photos14.png"));
  const auto streamParts = PartsOf(definition("stream", "photos00014.png"));
  ASSERT_EQ(streamParts.size(), fileParts.size());
  ASSERT_EQ(streamParts.size(), 15u);
  for (size_t i = 0; i < fileParts.size(); ++i) {
    EXPECT_EQ(streamParts[i].second, fileParts[i].second) << i;
    EXPECT_EQ(streamParts[i].first, "photos000" + fileParts[i].first.substr(6));
  }

  std::vector<std::string> join = {"join", definition("stream", "photos00014.png").string(), "-o",
                                   (dir / "joined").string(), "--mkdir"};
  const auto& options = GetParam().options;
  if (const auto p = std::find(options.begin(), options.end(), "-p"); p != options.end())
    join.insert(join.end(), {"-p", *(p + 1)});
  const auto joined = RunCli(join);
  ASSERT_EQ(joined.code, 0) << joined.err;
  EXPECT_EQ(test::ReadBytes(dir / "joined" / "photos.tar"), content);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CliStreamSplit,
    ::testing::Values(StreamCase{"PlainFixed", {"--plain", "--no-random", "-s", "10"}},
                      StreamCase{"DisguisedRandom", {"-s", "10", "-p", "secret"}},
                      StreamCase{"Encrypted", {"--encrypt", "-p", "pw", "-s", "10", "--no-random"}},
                      StreamCase{"Implanted", {"--implant", "-s", "10"}}),
    [](const auto& info) { return info.param.name; });

// Splitting standard input needs a part name, a plain source name and the password
// elsewhere; nothing is read or written when one is missing.
TEST(CliStreamSplit, UsageErrors) {
  test::TempDir dir;
  const std::string out = (dir / "out").string();
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"split", "-", "-o", out}, std::string(texts::kStreamNeedsName)},
      {{"split", "-", "-n", "a", "--source-name", "x/y", "-o", out}, "x/y"},
      {{"split", "-", "-n", "a", "--source-name", "..", "-o", out}, "--source-name"},
      {{"split", "-", "-n", "a", "--password-file", "-", "-o", out}, "-p"},
  };
  for (const auto& [args, text] : cases) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.code, 2) << args[3];
    EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
}

// A stream that needs more than 32767 parts stops with the message of a file that would,
// and leaves none of the parts it wrote.
TEST(CliStreamSplit, PartCountLimitRemovesTheParts) {
  test::TempDir dir;
  PipedStandardInput input(test::RandomBytes(4096), true);
  const auto run = RunCli({"split", "-", "-n", "endless", "-o", dir.path().string(), "--plain",
                           "--no-random", "-s", "1"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("(153)"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << run.err;
}

// A stream's recovery parts make a set that `test` passes and `repair` brings lost parts
// of back, byte for byte, in each of its groups.
TEST(CliStreamSplit, RecoveryPartsRepairLostParts) {
  test::TempDir dir;
  {
    PipedStandardInput input(test::RandomBytes(120'000, 4));  // 118 parts: groups of 59
    const auto run = RunCli({"split", "-", "-n", "s", "-o", dir.path().string(), "-s", "1",
                             "--no-random", "--recovery", "50%"});
    ASSERT_EQ(run.code, 0) << run.err;
  }
  const std::string definition = (dir / "s.kvr").string();
  ASSERT_EQ(RunCli({"test", definition}).code, 0);
  std::vector<std::vector<std::uint8_t>> lost;
  for (const char* name : {"s00003.png", "s00117.png"}) {
    lost.push_back(test::ReadBytes(dir / name));
    std::filesystem::remove(dir / name);
  }
  const auto repaired = RunCli({"repair", definition});
  ASSERT_EQ(repaired.code, 0) << repaired.err;
  EXPECT_EQ(test::ReadBytes(dir / "s00003.png"), lost[0]);
  EXPECT_EQ(test::ReadBytes(dir / "s00117.png"), lost[1]);
}

}  // namespace
}  // namespace kivora
