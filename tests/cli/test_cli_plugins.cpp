#include <gtest/gtest.h>

#include "pendant/BuiltinPendants.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/PeTestFiles.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using pendant::test::PeImageBuilder;
using test::RunCli;

// A plug-in with two of the built-in pictures as ids 101 and 150.
std::vector<std::uint8_t> SamplePlugin() {
  const auto builtins = pendant::BuiltinPendants();
  const auto a = builtins[0].bytes;
  const auto b = builtins[1].bytes;
  return PeImageBuilder()
      .AddKvr(101, {a.begin(), a.end()})
      .AddKvr(150, {b.begin(), b.end()})
      .AddString(511, u"測試掛件")
      .AddString(512, u"1.0")
      .AddString(513, u"jpg")
      .AddString(514, u"作者")
      .AddString(515, u"comment")
      .Build()
      .bytes;
}

TEST(CliPlugins, ListsAndSplitsWithAPlugin) {
  test::TempDir dir;
  const auto plugins = dir / "plugins";
  test::WriteBytes(plugins / "sample.dll", SamplePlugin());

  const auto list = RunCli({"plugins", "--plugin-dir", plugins.string()});
  ASSERT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("sample.dll\t測試掛件\t1.0\tjpg\t作者\t2"), std::string::npos)
      << list.out;

  const auto source = dir / "data.bin";
  test::WriteBytes(source, test::RandomBytes(60000));
  const auto split = RunCli({"split", source.string(), "-s", "10", "--plugin", "sample.dll",
                             "--plugin-dir", plugins.string()});
  ASSERT_EQ(split.code, 0) << split.err;
  // The plug-in's extension names the parts; its pictures open them.
  const auto first = test::ReadBytes(dir / "data00.jpg");
  const auto builtins = pendant::BuiltinPendants();
  const bool startsWithA =
      std::equal(builtins[0].bytes.begin(), builtins[0].bytes.end(), first.begin());
  const bool startsWithB =
      std::equal(builtins[1].bytes.begin(), builtins[1].bytes.end(), first.begin());
  EXPECT_TRUE(startsWithA || startsWithB);

  const auto info = RunCli({"info", (dir / "data.kvr").string(), "--json"});
  EXPECT_NE(info.out.find(R"("magic":"KV4")"), std::string::npos);
  // The checksum is read from the program's folder, where this plug-in is not.
  EXPECT_NE(info.out.find(R"("pluginChecksum":0)"), std::string::npos);
  EXPECT_TRUE(info.out.find(R"("pendantNo":101)") != std::string::npos ||
              info.out.find(R"("pendantNo":150)") != std::string::npos);

  const auto missing = RunCli({"split", source.string(), "--plugin", "none.dll", "--plugin-dir",
                               plugins.string(), "-n", "x"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("(110)"), std::string::npos);
}

TEST(CliPlugins, EmptyFolderSaysSo) {
  test::TempDir dir;
  const auto run = RunCli({"plugins", "--plugin-dir", dir.path().string()});
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find(dir.path().string()), std::string::npos);
}

}  // namespace
}  // namespace kivora
