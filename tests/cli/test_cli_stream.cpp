#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <map>
#include <set>
#include <thread>

#include "app/cli/CliMessages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using test::RunCli;

// Standard input is a pipe that a thread fills, as a program in a pipeline does: with
// `bytes`, or with them over and over until the reader goes. Restored when this goes.
class PipedStandardInput {
 public:
  explicit PipedStandardInput(std::vector<std::uint8_t> bytes, bool endless = false) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    saved_ = ::dup(STDIN_FILENO);
    ::dup2(fds[0], STDIN_FILENO);
    ::close(fds[0]);
    writer_ = std::thread([fd = fds[1], bytes = std::move(bytes), endless] {
      sigset_t pipe;  // a reader that went fails the write instead of ending the tests
      sigemptyset(&pipe);
      sigaddset(&pipe, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
      ssize_t n = 1;
      do {
        for (size_t done = 0; n > 0 && done < bytes.size(); done += static_cast<size_t>(n))
          n = ::write(fd, bytes.data() + done, bytes.size() - done);
      } while (n > 0 && endless);
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

struct StreamCase {
  const char* name;
  std::vector<std::string> options, password;
  std::string definition;  // in the stream's folder
};

class CliStreamSplit : public ::testing::TestWithParam<StreamCase> {};

// Standard input splits, as it streams, into a set that joins back to its bytes under the
// name --source-name gives (the part sizes are those of a file: test_stream_part_sizes).
TEST_P(CliStreamSplit, JoinsBack) {
  const StreamCase& c = GetParam();
  test::TempDir dir;
  const std::vector<std::uint8_t> content = test::RandomBytes(150'001, 9);  // 15 parts
  std::vector<std::string> args = {
      "split",         "-",         "-n", "photos", "-o", (dir / "set").string(), "--mkdir",
      "--source-name", "photos.tar"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.insert(args.end(), c.password.begin(), c.password.end());
  {
    PipedStandardInput input(content);
    ASSERT_EQ(RunCli(args).code, 0);
  }
  std::vector<std::string> join = {"join", (dir / "set" / c.definition).string(), "-o",
                                   dir.path().string()};
  join.insert(join.end(), c.password.begin(), c.password.end());
  ASSERT_EQ(RunCli(join).code, 0);
  EXPECT_EQ(test::ReadBytes(dir / "photos.tar"), content);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CliStreamSplit,
    ::testing::Values(
        StreamCase{"PlainFixed", {"--plain", "--no-random", "-s", "10"}, {}, "photos.kvr"},
        StreamCase{"DisguisedRandom", {"-s", "10"}, {"-p", "secret"}, "photos.kvr"},
        StreamCase{"Encrypted", {"--encrypt", "-s", "10"}, {"-p", "pw"}, "photos.kvr"},
        StreamCase{"Implanted", {"--implant", "-s", "10"}, {}, "photos00014.png"}),
    [](const auto& param_info) { return param_info.param.name; });

// A stream is refused without a part name, with a source name that is not a plain name,
// or with the password on standard input too (usage errors), and when it needs more than
// 32767 parts, with the message of a file that would; none leaves a part behind.
TEST(CliStreamSplit, RefusalsLeaveNoPart) {
  const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
      {{"-s", "1"}, 2, std::string(cli::texts::kStreamNeedsName)},
      {{"-n", "a", "--source-name", "x/y"}, 2, "x/y"},
      {{"-n", "a", "--password-file", "-"}, 2, "-p"},
      {{"-n", "a", "--plain", "--no-random", "-s", "1"}, 1, "(153)"}};
  for (const auto& [options, code, text] : cases) {
    test::TempDir dir;
    PipedStandardInput input(test::RandomBytes(4096), true);
    std::vector<std::string> args = {"split", "-", "-o", dir.path().string()};
    args.insert(args.end(), options.begin(), options.end());
    const auto run = RunCli(args);
    EXPECT_EQ(run.code, code) << text;
    EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << text;
  }
}

// A stream's recovery parts make a set that `test` passes and `repair` brings lost parts
// of back, byte for byte, in each of its groups; add-recovery writes them again under
// the split's names, in their place.
TEST(CliStreamSplit, RecoveryPartsRepairLostParts) {
  test::TempDir dir;
  PipedStandardInput input(test::RandomBytes(120'000, 4));  // 118 parts: groups of 59
  ASSERT_EQ(RunCli({"split", "-", "-n", "s", "-o", dir.path().string(), "-s", "1", "--recovery",
                    "50%", "--no-random"})
                .code,
            0);
  ASSERT_EQ(RunCli({"test", (dir / "s.kvr").string()}).code, 0);
  const auto recoveryNames = [&] {
    std::set<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(dir.path()))
      if (f.path().filename().string().find("_rec") != std::string::npos)
        names.insert(f.path().filename().string());
    return names;
  };
  const std::set<std::string> written = recoveryNames();
  ASSERT_EQ(RunCli({"add-recovery", (dir / "s.kvr").string(), "50%"}).code, 0);
  EXPECT_EQ(recoveryNames(), written);
  EXPECT_TRUE(written.count("s_rec00.png"));
  std::map<std::string, std::vector<std::uint8_t>> lost = {{"s00003.png", {}}, {"s00117.png", {}}};
  for (auto& [name, bytes] : lost)
    bytes = test::ReadBytes(dir / name), std::filesystem::remove(dir / name);
  ASSERT_EQ(RunCli({"repair", (dir / "s.kvr").string()}).code, 0);
  for (const auto& [name, bytes] : lost) EXPECT_EQ(test::ReadBytes(dir / name), bytes) << name;
}

}  // namespace
}  // namespace kivora
