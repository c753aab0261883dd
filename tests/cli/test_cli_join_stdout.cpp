#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <sstream>
#include <thread>

#include "app/cli/CliMessages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

constexpr size_t kPart = 10 * 1024;  // -s 10 --no-random

// `join DEF -o - ARGS` in-process, standard output being `descriptor`.
test::CliRun JoinToDescriptor(const std::filesystem::path& def, int descriptor,
                              std::vector<std::string> args = {}) {
  args.insert(args.begin(), {"join", def.string(), "-o", "-"});
  std::ostringstream out, err;
  cli::Context context{out, err, false, false};
  context.outputDescriptor = descriptor;
  const int code = cli::Run(args, context);
  EXPECT_EQ(out.str(), "");  // the joined bytes alone, and not through the stream
  return {code, "", err.str()};
}

class JoinToStdoutTest : public ::testing::TestWithParam<std::vector<std::string>> {
 protected:
  test::TempDir dir;
  std::vector<std::uint8_t> content = test::RandomBytes(5 * kPart - 100, 7);

  std::filesystem::path Split() {
    test::WriteBytes(dir / "data.bin", content);
    std::vector<std::string> args = {"split", (dir / "data.bin").string(), "-s", "10",
                                     "--no-random"};
    args.insert(args.end(), GetParam().begin(), GetParam().end());
    EXPECT_EQ(test::RunCli(args).code, 0);
    return dir / "data.kvr";
  }
  // Joins to a file through its descriptor; returns what the file holds.
  std::vector<std::uint8_t> Join(const std::filesystem::path& def, test::CliRun& run,
                                 std::vector<std::string> args = {}) {
    const auto joined = dir / "joined";
    const int fd = ::open(joined.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (GetParam().back() == "pw") args.insert(args.end(), {"-p", "pw"});
    run = JoinToDescriptor(def, fd, args);
    ::close(fd);
    return test::ReadBytes(joined);
  }
};

TEST_P(JoinToStdoutTest, WritesTheSourceToTheDescriptor) {
  test::CliRun run;
  EXPECT_EQ(Join(Split(), run), content) << run.err;
  EXPECT_EQ(run.code, 0);
}

// A corrupt part stops the join after the parts before it; --force-corrupt goes on.
TEST_P(JoinToStdoutTest, CorruptPartStopsAfterThePartsBeforeIt) {
  const auto def = Split();
  auto part = test::ReadBytes(dir / "data02.png");
  part.back() ^= 1;  // in the payload
  test::WriteBytes(dir / "data02.png", part);
  test::CliRun run;
  const auto stopped = Join(def, run);
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(stopped, std::vector(content.begin(), content.begin() + 2 * kPart));
  // Where it stopped, in bytes and by part; the question no one was asked is not shown.
  EXPECT_NE(
      run.err.find(cli::texts::kStdoutStopsBefore("20,480", "data02.png").In(Language::Chinese)),
      std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("→"), std::string::npos) << run.err;

  if (GetParam().front() == "--encrypt") return;  // a part that does not open has no bytes
  const auto forced = Join(def, run, {"--force-corrupt"});
  EXPECT_EQ(run.code, 3) << run.err;
  EXPECT_EQ(forced.size(), content.size());
  EXPECT_NE(forced, content);
}

INSTANTIATE_TEST_SUITE_P(Sets, JoinToStdoutTest,
                         ::testing::Values(std::vector<std::string>{"--plain"},
                                           std::vector<std::string>{"--seed", "3"},
                                           std::vector<std::string>{"--encrypt", "-p", "pw"}));

// A reader that went away ends the join with the system's reason, not SIGPIPE, and the
// message says where the data stops: nowhere for a reader gone at once, within the first
// part for one gone after 100 bytes. Options about an output file are refused with -o -.
TEST(JoinToStdout, ClosedPipeAndFileOptionsFail) {
  test::TempDir dir;
  test::WriteBytes(dir / "s.bin", test::RandomBytes(3 << 20));
  ASSERT_EQ(test::RunCli({"split", (dir / "s.bin").string(), "--plain", "-s", "2048"}).code, 0);
  for (const size_t readFirst : {size_t{0}, size_t{100}}) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread reader([&] {
      std::vector<char> bytes(readFirst);
      for (size_t got = 0; got < readFirst;) {
        const ssize_t n = ::read(ends[0], bytes.data() + got, readFirst - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      ::close(ends[0]);
    });
    if (readFirst == 0) reader.join();
    const auto run = JoinToDescriptor(dir / "s.kvr", ends[1]);
    if (reader.joinable()) reader.join();
    ::close(ends[1]);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(std::strerror(EPIPE)), std::string::npos) << run.err;
    const std::string where =
        readFirst == 0 ? MessageText(cli::texts::kStdoutNothingWritten).In(Language::Chinese)
                       : "」之中";
    EXPECT_NE(run.err.find(where), std::string::npos) << run.err;
  }
  for (const char* option : {"--overwrite", "--mkdir"}) {  // --json: CliJsonUsage
    EXPECT_EQ(JoinToDescriptor(dir / "s.kvr", 1, {option}).code, 2) << option;
  }
}

}  // namespace
}  // namespace kivora
