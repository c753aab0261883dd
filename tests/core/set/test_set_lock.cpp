#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "core/KivoraError.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/set/SetLock.h"
#include "core/text/Messages.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;
using Mode = SetLock::Mode;

// Writers hold a set alone, joins share it; the lock file goes with its last holder.
TEST(SetLock, RefusesAtOnceWhatWouldClash) {
  const struct {
    Mode held, wanted;
    bool refused;
  } cases[] = {{Mode::Exclusive, Mode::Exclusive, true},
               {Mode::Exclusive, Mode::Shared, true},
               {Mode::Shared, Mode::Exclusive, true},
               {Mode::Shared, Mode::Shared, false}};
  const auto refused = [](const fs::path& folder, Mode mode) {
    try {
      SetLock(folder, "movie", mode);
      return false;
    } catch (const KivoraError&) {
      return true;
    }
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const SetLock first(dir.path(), "movie", c.held);
    EXPECT_EQ(c.refused, refused(dir.path(), c.wanted));
    EXPECT_EQ(c.refused, refused(dir.path() / ".", c.wanted));  // another spelling, one lock
    EXPECT_NO_THROW(SetLock(dir.path(), "other", Mode::Exclusive));
    EXPECT_TRUE(fs::is_empty(dir.path()));  // nothing is written into the set's folder
  }
}

// A writer in a session with XDG_RUNTIME_DIR and one without (cron, ssh) meet one lock:
// while another process holds the set, the second is refused.
TEST(SetLock, OneLockWhateverTheEnvironment) {
  test::TempDir dir;
  const char* given = std::getenv("XDG_RUNTIME_DIR");
  const std::string original = given ? given : "";
  for (const bool holderHasRuntimeDir : {true, false}) {
    const auto withRuntimeDir = [&](bool with) {
      if (with) {
        ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
      } else {
        ::unsetenv("XDG_RUNTIME_DIR");
      }
    };
    int held[2], done[2];
    ASSERT_EQ(::pipe(held), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(done[1]);
      withRuntimeDir(holderHasRuntimeDir);
      const SetLock lock(dir.path(), "movie", Mode::Exclusive);
      char byte = 1;
      if (::write(held[1], &byte, 1) != 1 || ::read(done[0], &byte, 1) < 0) ::_exit(1);
      ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(held[0], &byte, 1), 1);
    withRuntimeDir(!holderHasRuntimeDir);
    EXPECT_THROW(SetLock(dir.path(), "movie", Mode::Exclusive), KivoraError) << holderHasRuntimeDir;
    withRuntimeDir(false);
    if (given) ::setenv("XDG_RUNTIME_DIR", original.c_str(), 1);
    for (int fd : {held[0], held[1], done[0], done[1]}) ::close(fd);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
}

// Every operation on a set that a split is writing refuses at once and writes nothing.
enum class Operation { Split, Join, Resplit, Repair };
class LockedSetTest : public test::SetFixture, public ::testing::WithParamInterface<Operation> {};

TEST_P(LockedSetTest, RefusesWhileAnotherOperationWritesTheSet) {
  const fs::path definition = MakeSet(40000, [](SplitRequest& s) { s.recovery.count = 1; });
  const fs::path lost = PartPath(0);
  fs::remove(lost);
  fs::create_directory(dir / "out");
  const SetLock held(dir.path(), "movie", Mode::Exclusive);
  ResplitRequest resplit;
  SplitRequest again;
  JoinRequest join;
  join.definitionPath = resplit.definitionPath = definition;
  join.outputFolder = dir / "out";
  resplit.source = again.source = dir / "movie.avi";
  again.baseName = "movie";
  switch (GetParam()) {
    case Operation::Split:
      EXPECT_FALSE((split = RunSplit(test::Seeded(again, 1), pendants, ui)).completed);
      break;
    case Operation::Join:
      EXPECT_FALSE(RunJoin(test::With(join, loaded), pendants, ui).completed);
      break;
    case Operation::Resplit:
      EXPECT_FALSE(RunResplit(test::With(resplit, loaded), pendants, ui).completed);
      break;
    case Operation::Repair:
      RunRepair({.definition = definition}, pendants, ui);
      break;
  }
  EXPECT_FALSE(fs::exists(lost));
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  ASSERT_FALSE(ui.errors.empty());
  EXPECT_EQ(ui.errors[0], msg::kSetInUse163);
}

INSTANTIATE_TEST_SUITE_P(Operations, LockedSetTest,
                         ::testing::Values(Operation::Split, Operation::Join, Operation::Resplit,
                                           Operation::Repair));

}  // namespace
}  // namespace kivora
