#include <fmt/format.h>
#include <gtest/gtest.h>

#include "app/cli/CliMessages.h"
#include "core/io/Crc32.h"
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
  // A lost recovery part: the set is no longer as written, and repair makes it so.
  std::filesystem::remove(dir / "data_rec01.bin");
  EXPECT_EQ(RunCli({"test", def.string()}).code, 1);
  ASSERT_EQ(RunCli({"repair", def.string()}).code, 0);
  EXPECT_EQ(RunCli({"test", def.string()}).code, 0);

  for (int i : {0, 1, 2}) std::filesystem::remove(part(i));
  const auto refused = RunCli({"repair", def.string()});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("(321)"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(part(0)));
  // Without any recovery part the repair names the command that makes them.
  for (int i : {0, 1}) std::filesystem::remove(dir / fmt::format("data_rec{:02}.bin", i));
  EXPECT_NE(
      RunCli({"repair", def.string()}).err.find("kivora-cli add-recovery " + def.string() + " N"),
      std::string::npos);
}

// A repair or a re-split that leaves the recovery parts lost names the add-recovery that
// makes them again, and that command does.
class CliLostRecovery : public ::testing::TestWithParam<const char*> {};

TEST_P(CliLostRecovery, NamesTheAddRecoveryThatWritesThemAgain) {
  test::TempDir dir;
  const auto source = dir / "data.bin";
  test::WriteBytes(source, test::RandomBytes(200 * 1024 - 7, 9));
  ASSERT_EQ(RunCli({"split", source.string(), "-s", "1", "--no-random", "--recovery", "10%"}).code,
            0);
  const auto def = (dir / "data.kvr").string();
  // Two groups of 100 parts with 10 recovery parts each; the first group loses all of its.
  for (int i = 0; i < 10; ++i) std::filesystem::remove(dir / fmt::format("data_rec{:02}.png", i));
  const std::string command = GetParam();
  const auto run = command == "repair" ? RunCli({"repair", def})
                                       : RunCli({"resplit", def, source.string(), "--parts", "3"});
  EXPECT_NE(run.err.find("kivora-cli add-recovery " + def + " 10%"), std::string::npos) << run.err;

  const auto added = RunCli({"add-recovery", def, "10%"});
  EXPECT_EQ(added.code, 0) << added.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "data_rec00.png"));
  EXPECT_EQ(RunCli({"repair", def, "--dry-run"}).code, 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, CliLostRecovery, ::testing::Values("repair", "resplit"));

// add-recovery run in the set's folder on the definition's bare name lowers the amount:
// exactly the new recovery parts are left, and a repair dry run finds them usable.
TEST(CliRecovery, AddRecoveryOnABareNameLowersTheAmount) {
  test::TempDir dir;
  test::WriteBytes(dir / "s.bin", test::RandomBytes(20 * 1024 - 7, 9));
  ASSERT_EQ(RunCli({"split", (dir / "s.bin").string(), "-s", "1", "--no-random", "--plain", "-e",
                    "bin", "--recovery", "4"})
                .code,
            0);
  const auto home = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const auto added = RunCli({"add-recovery", "s.kvr", "2"});
  std::filesystem::current_path(home);
  EXPECT_EQ(added.code, 0) << added.err;
  for (int i : {0, 1, 2, 3})
    EXPECT_EQ(std::filesystem::exists(dir / fmt::format("s_rec{:02}.bin", i)), i < 2) << i;
  EXPECT_EQ(RunCli({"repair", (dir / "s.kvr").string(), "--dry-run"}).code, 0);
}

// A part of an encrypted set whose tags fail though its CRC-32 was forced to match: given
// the password, repair rebuilds it from recovery parts made before the forgery, and leaves
// it alone (328) when they were made from it.
TEST(CliRecovery, RepairGivenThePasswordRebuildsAPartWhoseTagsFail) {
  const struct {
    bool recoveryAfterForgery;
    int repaired;
    std::string said;
  } rows[] = {{false, 0, msg::kRepairCompleted().Chinese()},
              {true, 1, msg::kRepairNotAuthentic328().Chinese()}};
  for (const auto& row : rows) {
    test::TempDir dir;
    const auto source = test::RandomBytes(20 * 1024 - 7, 9);
    test::WriteBytes(dir / "s.bin", source);
    ASSERT_EQ(
        RunCli({"split", (dir / "s.bin").string(), "-s", "2", "--no-random", "--plain", "-e", "bin",
                "--encrypt", "-p", "pw", "--recovery", row.recoveryAfterForgery ? "0" : "2"})
            .code,
        0);
    const auto def = (dir / "s.kvr").string();
    const auto part = dir / "s03.bin";
    const auto original = test::ReadBytes(part);
    auto forged = original;
    forged[100] ^= 1;
    test::ForceCrc32(forged, 200, StreamCrc32(original));
    test::WriteBytes(part, forged);
    ASSERT_TRUE(!row.recoveryAfterForgery || RunCli({"add-recovery", def, "2"}).code == 0);
    EXPECT_NE(RunCli({"repair", def}).err.find(msg::kRepairNothingToDo().Chinese()),
              std::string::npos);
    if (!row.recoveryAfterForgery) {
      const auto tested = RunCli({"test", def, "-p", "pw"});
      EXPECT_EQ(tested.code, 1);
      EXPECT_NE(tested.err.find(cli::texts::kRepairNeedsPassword(1).Chinese()), std::string::npos)
          << tested.err;
      EXPECT_NE(RunCli({"repair", def, "-p", "no"}).err.find(msg::kWrongPassword231().Chinese()),
                std::string::npos);
    }
    EXPECT_EQ(test::ReadBytes(part), forged);
    const auto before = test::FolderContent(dir.path());
    const auto repaired = RunCli({"repair", def, "-p", "pw"});
    EXPECT_EQ(repaired.code, row.repaired) << repaired.err;
    EXPECT_NE(repaired.err.find(row.said), std::string::npos) << repaired.err;
    if (row.recoveryAfterForgery) {
      EXPECT_EQ(test::FolderContent(dir.path()), before);  // nothing published or left hidden
      continue;
    }
    EXPECT_EQ(test::ReadBytes(part), original);
    ASSERT_EQ(RunCli({"join", def, "-p", "pw", "-o", (dir / "out").string(), "--mkdir"}).code, 0);
    EXPECT_EQ(test::ReadBytes(dir / "out" / "s.bin"), source);
  }
}

}  // namespace
}  // namespace kivora
