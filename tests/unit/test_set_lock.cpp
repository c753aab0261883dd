#include <gtest/gtest.h>

#include "core/JoinDriver.h"
#include "core/KivoraError.h"
#include "core/Messages.h"
#include "core/RecoveryRepair.h"
#include "core/Resplit.h"
#include "core/SetLock.h"
#include "core/SplitDriver.h"
#include "tests/unit/SetFixture.h"
#include "tests/unit/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;
using Mode = SetLock::Mode;

// Writers hold a set alone, joins share it; the lock file goes with its last holder.
struct Holding {
  Mode held;
  Mode wanted;
  bool refused;
};
class SetLockTest : public ::testing::TestWithParam<Holding> {};

TEST_P(SetLockTest, RefusesAtOnceWhatWouldClash) {
  test::TempDir dir;
  {
    const SetLock first(dir.path(), "movie", GetParam().held);
    if (GetParam().refused) {
      EXPECT_THROW(SetLock(dir.path(), "movie", GetParam().wanted), KivoraError);
    } else {
      EXPECT_NO_THROW(SetLock(dir.path(), "movie", GetParam().wanted));
    }
    EXPECT_NO_THROW(SetLock(dir.path(), "other", Mode::Exclusive));
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_NO_THROW(SetLock(dir.path(), "movie", Mode::Exclusive));
}

INSTANTIATE_TEST_SUITE_P(Modes, SetLockTest,
                         ::testing::Values(Holding{Mode::Exclusive, Mode::Exclusive, true},
                                           Holding{Mode::Exclusive, Mode::Shared, true},
                                           Holding{Mode::Shared, Mode::Exclusive, true},
                                           Holding{Mode::Shared, Mode::Shared, false}));

// Every spelling of a set's part names leads to one lock name.
TEST(SetLock, NameOfPartsDropsNumberExtensionAndSeparator) {
  EXPECT_EQ(SetNameOfParts("movie00.png", 12), "movie");
  EXPECT_EQ(SetNameOfParts("movie_001.png", 150), "movie");
  EXPECT_EQ(SetNameOfParts("cd1_01", 2), "cd1");
}

// A split into a set another operation is writing refuses before it writes anything.
TEST(SetLock, SplitIntoALockedSetIsRefused) {
  test::TempDir dir;
  test::WriteBytes(dir / "movie.avi", test::RandomBytes(30000));
  SplitSettings s;
  s.source = dir / "movie.avi";
  s.baseName = "movie";
  s.partSizeKb = 10;
  s.randomSizes = false;
  const SetLock held(dir.path(), "movie", Mode::Exclusive);
  test::FakePendants pendants;
  test::RecordingEvents ui;
  SplitResult result;
  EXPECT_FALSE(RunSplit(s, pendants, ui, result, 1));
  ASSERT_FALSE(ui.errors.empty());
  EXPECT_EQ(ui.errors[0], msg::kSetInUse163);
  EXPECT_FALSE(fs::exists(dir / "movie00.png"));
}

// Join, re-split and repair of a set that a split is writing refuse at once, and the
// re-split and repair write nothing.
enum class Operation { Join, Resplit, Repair };
class LockedSetTest : public test::SetFixture, public ::testing::WithParamInterface<Operation> {};

TEST_P(LockedSetTest, RefusesWhileAnotherOperationWritesTheSet) {
  const fs::path definition = MakeSet(40000, [](SplitSettings& s) {
    s.randomSizes = false;
    s.recovery.count = 1;
  });
  fs::remove(PartPath(0));
  const SetLock held(dir.path(), "movie", Mode::Exclusive);
  switch (GetParam()) {
    case Operation::Join: {
      JoinRequest request;
      request.definitionPath = definition;
      request.outputFolder = dir / "out";
      fs::create_directory(dir / "out");
      EXPECT_FALSE(RunJoin(loaded, request, pendants, ui));
      EXPECT_TRUE(fs::is_empty(dir / "out"));
      break;
    }
    case Operation::Resplit: {
      ResplitRequest request;
      request.definitionPath = definition;
      request.source = dir / "movie.avi";
      EXPECT_FALSE(RunResplit(loaded, request, pendants, ui));
      break;
    }
    case Operation::Repair:
      EXPECT_THROW(RunRepair(definition, false, pendants, ui), KivoraError);
      break;
  }
  EXPECT_FALSE(fs::exists(PartPath(0)));
  if (GetParam() != Operation::Repair) {
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_EQ(ui.errors[0], msg::kSetInUse163);
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, LockedSetTest,
                         ::testing::Values(Operation::Join, Operation::Resplit,
                                           Operation::Repair));

}  // namespace
}  // namespace kivora
