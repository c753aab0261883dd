// Adding recovery parts to a set: they are those a split with the same amount writes,
// every other file stays byte for byte, and a damaged set is refused with nothing written.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ranges>

#include "core/format/DefinitionReader.h"
#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/SplitOperation.h"
#include "core/text/Messages.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;

// Every file of the set: the source and hidden files (locks) left out.
Snapshot Files(const fs::path& folder) {
  Snapshot files;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (e.path().extension() != ".avi" && name.front() != '.') files[name] = ReadBytes(e.path());
  }
  return files;
}

struct AddCase {
  const char* name;
  bool disguise, implant, encrypt;
  RecoveryAmount before;  // the set's recovery parts before
  RecoveryAmount amount;
};

enum class Damage { Missing, Corrupt, Longer };

class AddRecoveryTest : public ::testing::Test {
 protected:
  FakePendants pendants;
  TempDir dir;

  // Splits the same source with the same seed into `folder`; returns the definition.
  fs::path Split(const std::string& folder, const AddCase& c, const RecoveryAmount& amount) {
    WriteBytes(dir / folder / "movie.avi", RandomBytes(200 * 1024 - 100, 3));
    SplitRequest s;
    s.source = dir / folder / "movie.avi";
    s.baseName = "movie";
    s.partSizeKb = 10;
    s.disguise = c.disguise;
    s.implant = c.implant;
    s.encrypt = c.encrypt;
    s.password = c.encrypt ? "pw" : "";
    s.keyCost = kQuickKeyCost;
    s.recovery = amount;
    RecordingEvents ui;
    Random random(7);
    SplitOutcome out;
    EXPECT_TRUE((out = SplitFile(s, pendants, random, ui)).completed);
    return c.implant ? out.PartPaths().back() : out.definitionPath;
  }
  AddRecoveryOutcome Add(const fs::path& definition, const RecoveryAmount& amount,
                         RecordingEvents& ui) {
    KvrDefinition loaded = ReadDefinition(definition, pendants);
    return RunAddRecovery({.definitionPath = definition, .loaded = loaded, .amount = amount},
                          pendants, ui);
  }
};

class AddToSetTest : public AddRecoveryTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddToSetTest, WritesTheRecoveryPartsOfASplitAndChangesNoOtherFile) {
  const AddCase& c = GetParam();
  Split("split", c, c.amount);
  const fs::path definition = Split("added", c, c.before);
  const Snapshot before = Files(dir / "added");
  RecordingEvents ui;
  const AddRecoveryOutcome out = Add(definition, c.amount, ui);
  ASSERT_TRUE(out.completed) << (ui.errors.empty() ? "" : ui.errors[0]);
  const Snapshot after = Files(dir / "added");
  // An encrypted set's salt is its own: there only the names can agree.
  const Snapshot split = Files(dir / "split");
  EXPECT_TRUE(std::ranges::equal(std::views::keys(after), std::views::keys(split)));
  EXPECT_TRUE(c.encrypt || after == split);
  for (const auto& [name, bytes] : before) {
    EXPECT_TRUE(LooksLikeRecoveryName(name) || after.at(name) == bytes) << name;
  }
  // The new recovery parts bring a lost part back.
  fs::remove(dir / "added" / "movie03.png");
  RecordingEvents repairUi;
  EXPECT_TRUE(RunRepair({.definition = definition}, pendants, repairUi).completed);
  EXPECT_EQ(Files(dir / "added"), after);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, AddToSetTest,
    ::testing::Values(AddCase{"Plain", false, false, false, {}, {2, 0}},
                      AddCase{"Disguised", true, false, false, {}, {0, 10}},
                      AddCase{"ImplantedDefinition", true, true, false, {}, {1, 0}},
                      AddCase{"Encrypted", false, false, true, {}, {3, 0}},
                      AddCase{"OnePerGroupBecomesTenPercent", true, false, false, {1, 0}, {0, 10}},
                      AddCase{"ThreeBecomeOne", true, true, false, {3, 0}, {1, 0}}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

class DamagedSetTest : public AddRecoveryTest,
                       public ::testing::WithParamInterface<std::tuple<Damage, bool>> {};

TEST_P(DamagedSetTest, IsRefusedAndNothingIsWritten) {
  const auto [damage, withRecovery] = GetParam();
  const fs::path definition = Split("set", {"", true, false, false, {}, {}},
                                    withRecovery ? RecoveryAmount{1, 0} : RecoveryAmount{});
  const fs::path part = dir / "set" / "movie03.png";
  std::vector<std::uint8_t> bytes = ReadBytes(part);
  if (damage == Damage::Corrupt) bytes[bytes.size() / 2] ^= 1;
  if (damage == Damage::Longer) bytes.push_back(0);
  damage == Damage::Missing ? (void)fs::remove(part) : WriteBytes(part, bytes);
  const Snapshot before = Files(dir / "set");
  RecordingEvents ui;
  EXPECT_TRUE(Add(definition, {0, 50}, ui).refused);
  EXPECT_EQ(Files(dir / "set"), before);
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_NE(ui.errors[0].find("movie03.png"), std::string::npos);
  EXPECT_NE(ui.errors[0].find("(327)"), std::string::npos);
  // Extra bytes are named as fixable, which a repair does not change.
  const auto says = [&](const MessageText& text) {
    return ui.errors[0].find(text.Chinese()) != std::string::npos;
  };
  EXPECT_EQ(says(msg::kAddRecoveryFixable327("movie03.png")), damage == Damage::Longer);
  EXPECT_EQ(says(msg::kAddRecoveryRepairFirst), withRecovery && damage != Damage::Longer);
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedSetTest,
                         ::testing::Combine(::testing::Values(Damage::Missing, Damage::Corrupt,
                                                              Damage::Longer),
                                            ::testing::Bool()));

}  // namespace
}  // namespace kivora::test
