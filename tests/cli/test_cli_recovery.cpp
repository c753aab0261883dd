#include <fmt/format.h>
#include <gtest/gtest.h>

#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using test::RunCli;

TEST(CliRecovery, SplitTestAndRepairWithRecoveryParts) {
  test::TempDir dir;
  test::WriteBytes(dir / "data.bin", test::RandomBytes(20 * 1024 - 7, 9));
  const auto split = [&](const std::string& amount) {
    return RunCli({"split", (dir / "data.bin").string(), "-s", "1", "--no-random", "--plain", "-e",
                   "bin", "--recovery", amount});
  };
  for (const char* refused : {"255", "101%", "x", "-1", "10%%"})
    EXPECT_EQ(split(refused).code, 2) << refused;
  ASSERT_EQ(split("10%").code, 0);  // 20 parts: two recovery parts
  const auto def = dir / "data.kvr";
  const auto part = [&](int i) { return dir / fmt::format("data{:02}.bin", i); };
  ASSERT_TRUE(std::filesystem::exists(dir / "data_rec01.bin"));
  EXPECT_FALSE(std::filesystem::exists(dir / "data_rec02.bin"));
  const auto part3 = test::ReadBytes(part(3));
  const auto part5 = test::ReadBytes(part(5));

  std::filesystem::remove(part(3));
  auto damaged = part5;
  damaged[100] ^= 1;
  test::WriteBytes(part(5), damaged);
  const auto tested = RunCli({"test", def.string()});
  EXPECT_EQ(tested.code, 1);
  EXPECT_NE(tested.err.find(msg::kRepairAllPossible(2).Chinese()), std::string::npos) << tested.err;

  const auto dry = RunCli({"repair", def.string(), "--dry-run"});
  EXPECT_EQ(dry.code, 0) << dry.err;
  EXPECT_FALSE(std::filesystem::exists(part(3)));

  const auto repaired = RunCli({"repair", def.string()});
  EXPECT_EQ(repaired.code, 0) << repaired.err;
  EXPECT_NE(repaired.out.find("data03.bin\t" + std::string(msg::kStateRebuilt)), std::string::npos);
  EXPECT_EQ(test::ReadBytes(part(3)), part3);
  EXPECT_EQ(test::ReadBytes(part(5)), part5);
  EXPECT_EQ(RunCli({"test", def.string()}).code, 0);

  for (int i : {0, 1, 2}) std::filesystem::remove(part(i));
  const auto refused = RunCli({"repair", def.string()});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("(321)"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(part(0)));
}

}  // namespace
}  // namespace kivora
