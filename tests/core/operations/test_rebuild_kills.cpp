#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <optional>

#include "core/io/FileSystemCalls.h"
#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/TestOperation.h"
#include "core/parts/SetNames.h"
#include "core/set/CommitNames.h"
#include "core/set/SetLock.h"
#include "core/text/Messages.h"
#include "tests/support/FaultSeam.h"
#include "tests/support/SetFixture.h"

namespace kivora {
namespace {

using FileContents = test::FolderFiles;

class RebuildKillTest : public test::SetFixture {};

// A re-split or a repair of a damaged set with recovery parts, run in a child process
// ended before every few counted calls, and once (n = 0) by a SIGKILL from here at
// whatever instant it is at, leaves, once the next operation holds the set's lock, each
// file old or new, the set no more damaged than before and nothing hidden.
TEST_F(RebuildKillTest, KillAnywhereLeavesEachFileOldOrNew) {
  const auto definition = MakeSet(60000, [](SplitRequest& s) { s.recovery.count = 2; });
  std::filesystem::remove(PartPath(1));
  test::WriteBytes(PartPath(4), test::RandomBytes(10240, 9));
  const FileContents damaged = test::FolderContent(dir.path());
  ResplitRequest resplit{definition, dir / "movie.avi", {}, {}, {}, {}, false};
  const std::function<bool()> operations[] = {
      [&] { return RunResplit(test::With(resplit, loaded), pendants, ui).completed; },
      [&] { return RunRepair({.definition = definition}, pendants, ui).completed; }};
  const auto holds = [](const FileContents& files, const std::string& name, const auto& bytes) {
    return files.contains(name) && files.at(name) == bytes;
  };
  const auto restore = [&] {
    std::filesystem::remove_all(dir.path());
    for (const auto& [name, bytes] : damaged) test::WriteBytes(dir / name, bytes);
  };
  for (const auto& operation : operations) {
    restore();
    sys::StartCountingCalls();
    ASSERT_TRUE(operation());
    const std::uint64_t calls = sys::CallsMade();
    const FileContents rebuilt = test::FolderContent(dir.path());
    for (std::uint64_t n = 0; n <= calls + 1; n += n == 0 ? 1 : calls / 60 + 1) {
      restore();
      int ready[2];  // the child says it started, for a SIGKILL while it runs
      ASSERT_EQ(::pipe(ready), 0);
      const pid_t child = ::fork();
      if (child == 0) {
        sys::EndProcessAtCall(n);
        const bool done = ::write(ready[1], "r", 1) == 1 && operation();
        ::_exit(done ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(::read(ready[0], &status, 1), 1);
      if (n == 0) ::kill(child, SIGKILL);  // before, while or after it runs
      for (const int fd : ready) ::close(fd);
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGKILL : status == 0) << n;
      SetLock(dir.path(), SetNames::Of(loaded, definition).LockName(), SetLock::Mode::Exclusive);
      FileContents now = test::FolderContent(dir.path());
      for (const auto& [name, bytes] : damaged) now.try_emplace(name);  // lost: empty
      for (const auto& [name, bytes] : now)
        EXPECT_TRUE(holds(damaged, name, bytes) || holds(rebuilt, name, bytes))
            << name << " after a kill at call " << n << " of " << calls;
      EXPECT_LE(AssessRecovery(definition, pendants).damaged, 2) << n;  // 2 lost before
    }
  }
}

// A split of another source over the set, killed once its journal is written and before
// the definition took its name, leaves the old definition in place. A re-split or an
// add-recovery that read it before taking the lock, which finishes that commit, reads
// it again and refuses: the folder holds the new set, untouched by the old definition.
// A test before that says the replacement waits.
TEST_F(RebuildKillTest, AWriterReadsTheSetAgainOnceItHoldsTheLock) {
  const auto definition = MakeSet(60000);
  const KvrDefinition old = loaded;
  const std::vector<std::uint8_t> oldDefinition = test::ReadBytes(definition);
  SplitRequest other;
  other.source = dir / "other.avi";
  other.baseName = ProposedBaseName(dir / "movie.avi");
  other.partSizeKb = 10;
  test::WriteBytes(other.source, test::RandomBytes(70000, 5));
  const auto splitOther = [&] {
    test::RecordingEvents events;
    SplitOutcome outcome;
    return (outcome = RunSplit(test::Seeded(other, 3), pendants, events)).completed;
  };
  const FileContents before = test::FolderContent(dir.path());
  sys::StartCountingCalls();
  ASSERT_TRUE(splitOther());
  const std::uint64_t calls = sys::CallsMade();
  const FileContents newSet = test::FolderContent(dir.path());
  const std::string journal = CommitJournalName(SetNames::Of(old, definition).LockName());
  const auto restore = [&](const FileContents& files) {
    std::filesystem::remove_all(dir.path());
    for (const auto& [name, bytes] : files) test::WriteBytes(dir / name, bytes);
  };
  std::optional<FileContents> killed;
  for (std::uint64_t n = calls; n > 0 && !killed; --n) {
    restore(before);
    const pid_t child = ::fork();
    if (child == 0) {
      sys::EndProcessAtCall(n);
      ::_exit(splitOther() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const FileContents now = test::FolderContent(dir.path());
    if (now.contains(journal) && now.at(definition.filename()) == oldDefinition) killed = now;
  }
  ASSERT_TRUE(killed);
  const std::function<bool()> operations[] = {
      [&] {
        ResplitRequest resplit{definition, dir / "movie.avi", {}, {}, {}, {}, false};
        return RunResplit(test::With(resplit, loaded), pendants, ui).completed;
      },
      [&] {
        return RunAddRecovery({.definitionPath = definition, .loaded = loaded, .amount = {1, 0}},
                              pendants, ui)
            .completed;
      }};
  for (const auto& operation : operations) {
    restore(*killed);
    loaded = old;
    ui.errors.clear();
    EXPECT_FALSE(operation());
    EXPECT_NE(
        std::find(ui.errors.begin(), ui.errors.end(), std::string_view(msg::kDefinitionUpdated)),
        ui.errors.end());
    EXPECT_EQ(test::FolderContent(dir.path()), newSet);
  }
  // A test meanwhile says that the replacement waits, counts none of its files as damaged
  // and writes nothing.
  restore(*killed);
  loaded = old;
  test::RecordingEvents events;
  EXPECT_FALSE(
      RunTest({.definitionPath = definition, .loaded = loaded}, pendants, events).HasErrors());
  EXPECT_NE(std::find(events.warnings.begin(), events.warnings.end(),
                      std::string_view(msg::kCommitPending)),
            events.warnings.end());
  EXPECT_EQ(test::FolderContent(dir.path()), *killed);
}

}  // namespace
}  // namespace kivora
