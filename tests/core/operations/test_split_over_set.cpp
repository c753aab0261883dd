#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <map>

#include "core/format/RecoveryFormat.h"
#include "core/io/FileSystemCalls.h"
#include "core/operations/SetLock.h"
#include "core/operations/SplitOperation.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;  // name → content

Files FolderContent(const std::filesystem::path& folder) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename()] = test::ReadBytes(entry.path());
  return files;
}

long RecoveryParts(const Files& files) {
  return std::count_if(files.begin(), files.end(),
                       [](const auto& f) { return LooksLikeRecoveryName(f.first); });
}

// A split killed at any call over an existing set of 1 KB parts leaves, once the next
// operation has taken the set's lock, the old set or the new one whole, and no hidden
// file. The new set has as many parts as the old, or fewer, and no recovery parts: the
// old set's surplus parts and recovery parts go with the commit.
TEST(SplitOverSet, KillAtAnyCallLeavesOldOrNewSet) {
  const struct {
    size_t oldSize, newSize;
    int oldRecoveryParts;
  } cases[] = {{20 * 1024, 20 * 1024, 2}, {20 * 1024, 12 * 1024 + 5, 0}};
  for (const auto& c : cases) {
    test::TempDir dir;
    test::FakePendants pendants;
    SplitRequest s;
    s.source = dir / "source";
    s.baseName = "movie";
    s.partSizeKb = 1;
    s.randomSizes = s.disguise = false;
    s.recovery.count = c.oldRecoveryParts;
    const auto split = [&] {
      test::RecordingEvents ui;
      SplitOutcome result;
      return RunSplit(s, pendants, ui, result, 42);
    };
    test::WriteBytes(s.source, test::RandomBytes(c.oldSize, 1));
    ASSERT_TRUE(split());
    s.recovery.count = 0;
    test::WriteBytes(s.source, test::RandomBytes(c.newSize, 2));
    const Files oldSet = FolderContent(dir.path());
    sys::StartCountingCalls();
    ASSERT_TRUE(split());
    const std::uint64_t calls = sys::CallsMade();
    const Files newSet = FolderContent(dir.path());
    EXPECT_EQ(newSet.count(SplitSetNames(s, 20).PartName(19)), c.newSize == c.oldSize);
    EXPECT_EQ(RecoveryParts(oldSet), c.oldRecoveryParts);
    EXPECT_EQ(RecoveryParts(newSet), 0);
    // Every other call or so, so that the test stays short.
    for (std::uint64_t n = 1; n <= calls + 1; n += calls / 100 + 1) {
      std::filesystem::remove_all(dir.path());
      std::filesystem::create_directory(dir.path());
      for (const auto& [name, content] : oldSet) test::WriteBytes(dir / name, content);
      const pid_t child = ::fork();
      if (child == 0) {
        sys::EndProcessAtCall(n);
        ::_exit(split() ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGKILL : status == 0) << n;
      SetLock(dir.path(), SplitSetNames(s, std::nullopt).LockName(), SetLock::Mode::Exclusive);
      const Files after = FolderContent(dir.path());
      EXPECT_TRUE(after == oldSet || after == newSet) << "killed at call " << n << " of " << calls;
    }
  }
}

}  // namespace
}  // namespace kivora
