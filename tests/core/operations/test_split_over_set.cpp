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

// Writes a byte to the pipe `fd`, when there is one, for each part the split reports.
struct PartSignals : test::RecordingEvents {
  int fd = -1;
  void Report(const OperationEvent& event) override {
    if (fd >= 0 && std::holds_alternative<Progress>(event) && ::write(fd, "p", 1) != 1) ::_exit(3);
  }
};

// A split killed at any call over an existing set of 1 KB parts leaves, once the next
// operation has taken the set's lock, the old set or the new one whole, and no hidden
// file. The new set has as many parts as the old, or fewer, and no recovery parts: the
// old set's surplus parts and recovery parts go with the commit. So with a real SIGKILL,
// an implanted old set, and an old definition file when the new set implants its own.
TEST(SplitOverSet, KillAtAnyCallLeavesOldOrNewSet) {
  const struct {
    size_t oldSize, newSize;
    int oldRecoveryParts;
    bool oldImplanted = false, newImplanted = false;
  } cases[] = {{20 * 1024, 20 * 1024, 2},
               {20 * 1024, 12 * 1024 + 5, 0},
               {20 * 1024, 12 * 1024 + 5, 2, true},
               {20 * 1024, 20 * 1024, 0, false, true}};
  for (const auto& c : cases) {
    test::TempDir dir;
    test::FakePendants pendants;
    SplitRequest s;
    s.source = dir / "source";
    s.baseName = "movie";
    s.partSizeKb = 1;
    s.randomSizes = s.disguise = false;
    s.recovery.count = c.oldRecoveryParts;
    s.implant = c.oldImplanted;
    const auto split = [&](int fd = -1) {
      PartSignals ui;
      ui.fd = fd;
      SplitOutcome result;
      return RunSplit(s, pendants, ui, result, 42);
    };
    test::WriteBytes(s.source, test::RandomBytes(c.oldSize, 1));
    ASSERT_TRUE(split());
    s.recovery.count = 0;
    s.implant = c.newImplanted;
    test::WriteBytes(s.source, test::RandomBytes(c.newSize, 2));
    const Files oldSet = FolderContent(dir.path());
    sys::StartCountingCalls();
    ASSERT_TRUE(split());
    const std::uint64_t calls = sys::CallsMade();
    const Files newSet = FolderContent(dir.path());
    EXPECT_EQ(newSet.count(SplitSetNames(s, 20).PartName(19)), c.newSize == c.oldSize);
    EXPECT_EQ(RecoveryParts(oldSet), c.oldRecoveryParts);
    EXPECT_EQ(RecoveryParts(newSet), 0);
    EXPECT_EQ(newSet.count("movie.kvr"), !c.newImplanted);
    std::vector<std::int64_t> ends = {-1, -7, -13};  // SIGKILL after -n parts
    // Every other call or so, so that the test stays short.
    for (std::uint64_t n = 1; n <= calls + 1; n += calls / 100 + 1) ends.push_back(n);
    for (const std::int64_t n : ends) {
      std::filesystem::remove_all(dir.path());
      std::filesystem::create_directory(dir.path());
      for (const auto& [name, content] : oldSet) test::WriteBytes(dir / name, content);
      int fds[2];
      ASSERT_EQ(::pipe(fds), 0);
      const pid_t child = ::fork();
      if (child == 0) {
        if (n > 0) sys::EndProcessAtCall(n);
        const bool completed = split(fds[1]);
        while (n < 0) ::pause();
        ::_exit(completed ? 0 : 1);
      }
      ::close(fds[1]);
      char byte = 0;
      for (std::int64_t got = 0; got < -n && ::read(fds[0], &byte, 1) == 1;) ++got;
      if (n < 0) ::kill(child, SIGKILL);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      ::close(fds[0]);
      ASSERT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGKILL : status == 0) << n;
      SetLock(dir.path(), SplitSetNames(s, std::nullopt).LockName(), SetLock::Mode::Exclusive);
      const Files after = FolderContent(dir.path());
      EXPECT_TRUE(after == oldSet || after == newSet) << "killed at call " << n << " of " << calls;
    }
  }
}

// A file of one of the split's names that belongs to no set of that name is refused (164).
TEST(SplitOverSet, ReplacesAFileOfNoSetOnlyWhenAllowed) {
  for (const char* foreign : {"set00.png", "set.kvr", "set_rec00.png"}) {
    test::TempDir dir;
    test::FakePendants pendants;
    test::RecordingEvents events;
    SplitOutcome result;
    SplitRequest s;
    s.source = dir / "source";
    s.baseName = "set";
    s.recovery.count = 1;
    test::WriteBytes(s.source, test::RandomBytes(3 * 1024));
    test::WriteBytes(dir / foreign, test::RandomBytes(100, 7));
    const Files before = FolderContent(dir.path());
    EXPECT_FALSE(RunSplit(s, pendants, events, result, 42)) << foreign;
    EXPECT_TRUE(FolderContent(dir.path()) == before) << foreign;
    s.overwrite = true;
    EXPECT_TRUE(RunSplit(s, pendants, events, result, 42)) << foreign;
    EXPECT_NE(test::ReadBytes(dir / foreign), before.at(foreign)) << foreign;
  }
}

}  // namespace
}  // namespace kivora
