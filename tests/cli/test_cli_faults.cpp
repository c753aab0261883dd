// A join over an existing file that fails, is refused or is killed leaves that file as
// it was and nothing else in its folder.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <set>
#include <sstream>

#include "app/cli/TerminalUi.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/cli/UnprivilegedCli.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CliFaultTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  fs::path set = dir / "set";
  fs::path out = dir / "out";
  fs::path def = set / "data.kvr";
  std::vector<std::uint8_t> old = test::RandomBytes(5000, 4);

  void SetUp() override {
    fs::create_directories(set);
    fs::create_directories(out);
    // Another user must reach the set and the output folder.
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(out, fs::perms(0777));
    test::WriteBytes(set / "data.bin", test::RandomBytes(60000, 2));
    const auto split = test::RunCli({"split", (set / "data.bin").string(), "--plain", "-s", "10"});
    ASSERT_EQ(split.code, 0) << split.err;
  }
  void PutExisting() { test::WriteBytes(out / "data.bin", old); }
  std::vector<std::string> JoinArgs() const {
    return {"join", def.string(), "-o", out.string(), "--overwrite"};
  }
  void ExpectUntouched() {
    EXPECT_EQ(test::ReadBytes(out / "data.bin"), old);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) names.insert(entry.path().filename());
    EXPECT_EQ(names, std::set<std::string>{"data.bin"});
  }
  // Runs the join as an unprivileged user; returns its wait status, or -1 (skipped).
  int JoinUnprivileged(std::string& err) {
    std::string why;
    const auto argv = test::UnprivilegedCli(JoinArgs(), why);
    if (argv.empty()) {
      err = why;
      return -1;
    }
    test::ChildProcess child(argv, false);
    const int status = child.Wait(120s);
    err = child.Error();
    return status;
  }
};

TEST_F(CliFaultTest, FullDisk) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  if (::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=32k,mode=0777") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{out};
  PutExisting();
  const auto join = test::RunCli(JoinArgs());
  EXPECT_EQ(join.code, 1);
  EXPECT_NE(join.err.find(std::strerror(ENOSPC)), std::string::npos) << join.err;
  ExpectUntouched();
}

TEST_F(CliFaultTest, UnreadablePart) {
  PutExisting();
  fs::permissions(set / "data02.png", fs::perms::none);
  std::string err;
  const int status = JoinUnprivileged(err);
  if (status == -1) GTEST_SKIP() << err;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << err;
  EXPECT_NE(err.find("data02.png"), std::string::npos) << err;
  ExpectUntouched();
}

TEST_F(CliFaultTest, UnsearchableOutputFolder) {
  PutExisting();
  fs::permissions(out, fs::perms(0666));
  std::string err;
  const int status = JoinUnprivileged(err);
  fs::permissions(out, fs::perms(0777));
  if (status == -1) GTEST_SKIP() << err;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << err;
  EXPECT_NE(err.find(msg::kCreateJoinedFailed241), std::string::npos) << err;
  ExpectUntouched();
}

// The join waits at the question about a missing part, with three parts written, when
// the signal comes.
class CliSignalTest : public CliFaultTest,
                      public ::testing::WithParamInterface<std::tuple<int, bool>> {};

TEST_P(CliSignalTest, SignalDuringJoinLeavesTheOutputFolderAsItWas) {
  const auto [signal, existing] = GetParam();
  if (existing) PutExisting();
  fs::remove(set / "data03.png");
  std::vector<std::string> argv = {KIVORA_CLI_PATH};
  const auto args = JoinArgs();
  argv.insert(argv.end(), args.begin(), args.end());
  test::ChildProcess child(argv, true);
  ASSERT_TRUE(child.WaitForError(msg::kMissingPartQuestion("").Chinese(), 120s)) << child.Error();
  // A sanitizer's runtime may hold a signal back while the thread it came to is blocked
  // out of its reach: the signal is sent again until the process ends.
  for (int tries = 0; tries < 60; ++tries) {
    child.Signal(signal);
    if (child.Ended(2s)) break;
  }
  const int status = child.Wait(120s);
  if (signal == SIGKILL) {
    EXPECT_TRUE(WIFSIGNALED(status)) << status;
  } else {
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << child.Error();
  }
  if (existing) ExpectUntouched();
  EXPECT_TRUE(existing || fs::is_empty(out));
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignalTest,
                         ::testing::Combine(::testing::Values(SIGKILL, SIGTERM, SIGHUP, SIGINT),
                                            ::testing::Bool()));

TEST(TerminalUi, StopSignalsAskTheOperationToStop) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    std::ostringstream out, err;
    cli::TerminalUi ui(out, err, false, false);
    EXPECT_FALSE(ui.AbortRequested());
    std::raise(signal);
    EXPECT_TRUE(ui.AbortRequested()) << signal;
  }
}

// A detail of several lines keeps its line breaks; what is in the lines is made safe.
TEST(TerminalUi, DetailLinesStayLines) {
  std::ostringstream out, err;
  cli::TerminalUi(out, err, false, false)
      .ShowError(MessageText::Plain("failed"),
                 msg::kLineThenLine(MessageText::Plain("one"), MessageText::Plain("two\x1b[2J")));
  EXPECT_EQ(err.str(), "failed\n  one\n  two\\x1b[2J\n");
}

}  // namespace
}  // namespace kivora
