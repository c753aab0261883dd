// A plug-in built by kvrpack, used by kivora-cli (run in-process): listed, split with,
// and the set joined back.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "app/cli/Cli.h"
#include "kvrpack/CommandLine.h"
#include "tests/kvrpack/KvrpackTestSupport.h"

namespace kvrpack {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun RunKivoraCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  kivora::cli::Context context{out, err, false, false};
  const int code = kivora::cli::Run(args, context);
  return {code, out.str(), err.str()};
}

TEST(KivoraCliWithKvrpackPlugin, ListsItAndSplitsWithItsPictures) {
  test::TempFolder dir;
  const auto plugins = dir / "plugin";
  std::filesystem::create_directory(plugins);
  const std::vector<test::Bytes> pictures = {test::PictureBytes(3000, 1),
                                             test::PictureBytes(4500, 2)};
  test::WriteFile(dir / "one.png", pictures[0]);
  test::WriteFile(dir / "two.png", pictures[1]);
  std::ostringstream out, err;
  const std::vector<std::string> build = {"--build",
                                          "-o",
                                          (plugins / "mine.dll").string(),
                                          "--name",
                                          "我的掛件",
                                          "--version",
                                          "2.1",
                                          "--ext",
                                          "jpg",
                                          "--author",
                                          "作者",
                                          "--comment",
                                          "two pictures",
                                          (dir / "one.png").string(),
                                          (dir / "two.png").string()};
  ASSERT_EQ(RunCommandLine(build, out, err), 0) << err.str();

  const CliRun list = RunKivoraCli({"plugins", "--plugin-dir", plugins.string()});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("mine.dll\t我的掛件\t2.1\tjpg\t作者\t2\n"), std::string::npos)
      << list.out;

  const auto source = dir / "data.bin";
  test::WriteFile(source, test::PictureBytes(60000, 99));
  const CliRun split = RunKivoraCli({"split", source.string(), "-s", "10", "--plugin", "mine.dll",
                                     "--plugin-dir", plugins.string()});
  ASSERT_EQ(split.code, 0) << split.err;
  int parts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().extension() != ".jpg") continue;
    ++parts;
    const test::Bytes part = test::ReadFile(entry.path());
    const bool startsWithPicture =
        std::any_of(pictures.begin(), pictures.end(), [&](const auto& p) {
          return part.size() > p.size() && std::equal(p.begin(), p.end(), part.begin());
        });
    EXPECT_TRUE(startsWithPicture) << entry.path();
  }
  EXPECT_GE(parts, 5);

  const auto joined = dir / "joined";
  const CliRun join =
      RunKivoraCli({"join", (dir / "data.kvr").string(), "-o", joined.string(), "--mkdir"});
  ASSERT_EQ(join.code, 0) << join.err;
  EXPECT_EQ(test::ReadFile(joined / "data.bin"), test::ReadFile(source));
}

}  // namespace
}  // namespace kvrpack
