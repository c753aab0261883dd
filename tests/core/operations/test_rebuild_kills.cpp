#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <map>

#include "core/io/FileSystemCalls.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/SetLock.h"
#include "core/parts/SetNames.h"
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
  const auto holds = [](const FileContents& files, const std::string& name, const auto& content) {
    return files.contains(name) && files.at(name) == content;
  };
  const auto restore = [&] {
    std::filesystem::remove_all(dir.path());
    for (const auto& [name, content] : damaged) test::WriteBytes(dir / name, content);
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
      for (const auto& [name, content] : damaged) now.try_emplace(name);  // lost: empty
      for (const auto& [name, content] : now)
        EXPECT_TRUE(holds(damaged, name, content) || holds(rebuilt, name, content))
            << name << " after a kill at call " << n << " of " << calls;
      EXPECT_LE(AssessRecovery(definition, pendants).damaged, 2) << n;  // 2 lost before
    }
  }
}

}  // namespace
}  // namespace kivora
