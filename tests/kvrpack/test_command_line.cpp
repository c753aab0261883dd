// The command-line mode, in-process and as the built program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "kvrpack/BuilderMessages.h"
#include "kvrpack/CommandLine.h"
#include "pendant/PeResources.h"
#include "tests/kvrpack/KvrpackTestSupport.h"

namespace kvrpack {
namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(dir / "a1.png", test::PictureBytes(300, 1));
    test::WriteFile(dir / "b_2.png", test::PictureBytes(200, 2));
  }
  // Runs in-process; returns the exit code and keeps the streams' text.
  int Run(std::vector<std::string> args) {
    std::ostringstream outStream, errStream;
    const int code = RunCommandLine(args, outStream, errStream);
    out = outStream.str();
    err = errStream.str();
    return code;
  }
  std::vector<std::string> Args(std::vector<std::string> pictures) const {
    std::vector<std::string> args = {"--build",    "-o",    (dir / "out.dll").string(),
                                     "--name",     "掛件",  "--version",
                                     "2",          "--ext", "jpg",
                                     "--author",   "me",    "--comment",
                                     "a \"quote\""};
    args.insert(args.end(), pictures.begin(), pictures.end());
    return args;
  }
  test::TempFolder dir;
  std::string out, err;
};

TEST_F(CommandLineTest, BuildsTheDllAndItsScriptBesideIt) {
  ASSERT_EQ(Run(Args({(dir / "b_2.png").string(), (dir / "a1.png").string()})), 0) << err;
  EXPECT_NE(out.find((dir / "out.dll").string()), std::string::npos);
  const test::Bytes dll = test::ReadFile(dir / "out.dll");
  const auto parsed = kivora::pendant::PeResources::Parse(dll);
  ASSERT_TRUE(parsed) << parsed.Error();
  EXPECT_EQ(parsed->KvrIds(), (std::vector<int>{101, 102}));
  EXPECT_EQ(parsed->Kvr(101)->size(), 200u);
  EXPECT_EQ(parsed->String(511), u"掛件");
  EXPECT_EQ(parsed->String(515), u"a \"quote\"");
  EXPECT_NE(test::ReadText(dir / "out.rc").find("515, \t\"a \"\"quote\"\"\"\r\n"),
            std::string::npos);
}

TEST_F(CommandLineTest, UsageErrorsExitWithTwoAndFailuresWithOne) {
  const std::string picture = (dir / "a1.png").string();
  const std::vector<std::vector<std::string>> usages = {
      {"--build", picture},                                   // no -o
      Args({}),                                               // no picture
      {"--build", "-o", (dir / "out.rc").string(), picture},  // the script's own name
      {"--build", "-o", (dir / "out.dll").string(), "--colour", "red"},
  };
  for (const auto& args : usages) {
    EXPECT_EQ(Run(args), 2) << args.back();
    EXPECT_FALSE(err.empty()) << args.back();
  }
  EXPECT_EQ(Run(Args({picture, (dir / "gone.png").string()})), 1);
  EXPECT_NE(err.find((dir / "gone.png").string()), std::string::npos) << err;
  EXPECT_EQ(test::FileNames(dir.path()), (std::vector<std::string>{"a1.png", "b_2.png"}));
}

// An output that is a picture, by path or by file, or a FIFO is refused: -o, picture, refused.
TEST_F(CommandLineTest, OutputThatIsAPictureOrNoFileIsRefused) {
  std::filesystem::create_hard_link(dir / "a1.png", dir / "a1.rc");
  const char* rows[][3] = {{"a1.dll", "a1.png", "a1.rc"}, {"b_2.png", "b_2.png", "b_2.png"}};
  for (const auto& [output, input, refused] : rows) {
    EXPECT_EQ(Run({"--build", "-o", (dir / output).string(), (dir / input).string()}), 1);
    EXPECT_EQ(err, messages::OutputIsPicture((dir / refused).string()).Chinese() + "\n");
  }
  ::mkfifo((dir / "f.dll").c_str(), 0600);
  EXPECT_EQ(Run({"--build", "-o", (dir / "f.dll").string(), (dir / "b_2.png").string()}), 1);
  EXPECT_EQ(err, messages::OutputNotAFile((dir / "f.dll").string()).Chinese() + "\n");
}

TEST_F(CommandLineTest, TheProgramTakesRelativePicturePathsAsFullPaths) {
  const std::string command = "cd " + test::ShellQuote(dir.path().string()) + " && " +
                              test::ShellQuote(KVRPACK_PATH) +
                              " --build -o made.dll --ext png a1.png ./b_2.png";
  ASSERT_EQ(test::RunShell(command).code, 0) << command;
  EXPECT_NE(test::ReadText(dir / "made.rc")
                .find("\r\n101 KVR \"" + (dir / "a1.png").string() + "\"\r\n102 KVR \"" +
                      (dir / "b_2.png").string() + "\"\r\n"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "made.dll"));

  const test::ProgramRun help = test::RunShell(test::ShellQuote(KVRPACK_PATH) + " --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--build"), std::string::npos);
}

}  // namespace
}  // namespace kvrpack
