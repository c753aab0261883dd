#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>

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

void RestoreFolder(const std::filesystem::path& folder, const Files& files) {
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    std::filesystem::remove(entry.path());
  for (const auto& [name, content] : files) test::WriteBytes(folder / name, content);
}

// A split of `size` bytes of the file "source" over the set "movie" of 1 KB parts.
struct SplitOver {
  test::TempDir dir;
  test::FakePendants pendants;

  SplitRequest Request(size_t size, std::uint32_t seed, int recoveryParts = 0) {
    test::WriteBytes(dir / "source", test::RandomBytes(size, seed));
    SplitRequest s;
    s.source = dir / "source";
    s.baseName = "movie";
    s.partSizeKb = 1;
    s.randomSizes = false;
    s.disguise = false;
    s.recovery.count = recoveryParts;
    return s;
  }
  bool Split(const SplitRequest& s) {
    test::RecordingEvents ui;
    SplitOutcome result;
    return RunSplit(s, pendants, ui, result, 42);
  }
};

// A split killed at any call over an existing set leaves, once the next operation has
// taken the set's lock, the old set or the new one whole, and no hidden file. The new
// set has as many parts as the old, or fewer, and no recovery parts: the old set's
// surplus parts and recovery parts go with the commit.
TEST(SplitOverSet, KillAtAnyCallLeavesOldOrNewSet) {
  const struct {
    size_t oldSize, newSize;
    int oldRecoveryParts;
  } cases[] = {{20 * 1024, 20 * 1024, 2}, {20 * 1024, 12 * 1024 + 5, 0}};
  for (const auto& c : cases) {
    SplitOver over;
    ASSERT_TRUE(over.Split(over.Request(c.oldSize, 1, c.oldRecoveryParts)));
    const SplitRequest s = over.Request(c.newSize, 2);
    const Files oldSet = FolderContent(over.dir.path());
    sys::StartCountingCalls();
    ASSERT_TRUE(over.Split(s));
    const std::uint64_t calls = sys::CallsMade();
    const Files newSet = FolderContent(over.dir.path());
    const std::string lastOldPart = SplitSetNames(s, 20).PartName(19);
    EXPECT_EQ(newSet.count(lastOldPart), c.newSize == c.oldSize ? 1u : 0u);
    EXPECT_EQ(std::count_if(oldSet.begin(), oldSet.end(),
                            [](const auto& f) { return LooksLikeRecoveryName(f.first); }),
              c.oldRecoveryParts);
    EXPECT_FALSE(std::any_of(newSet.begin(), newSet.end(),
                             [](const auto& f) { return LooksLikeRecoveryName(f.first); }));
    // Every other call or so, so that the test stays short.
    const std::uint64_t step = calls / 100 + 1;
    for (std::uint64_t n = 1; n <= calls + 1; n += step) {
      RestoreFolder(over.dir.path(), oldSet);
      const pid_t child = ::fork();
      if (child == 0) {
        sys::EndProcessAtCall(n);
        ::_exit(over.Split(s) ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ASSERT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                  (WIFEXITED(status) && WEXITSTATUS(status) == 0))
          << "call " << n;
      {
        const SetLock next(over.dir.path(), SplitSetNames(s, std::nullopt).LockName(),
                           SetLock::Mode::Exclusive);
      }
      const Files after = FolderContent(over.dir.path());
      EXPECT_TRUE(after == oldSet || after == newSet) << "killed at call " << n << " of " << calls;
    }
  }
}

}  // namespace
}  // namespace kivora
