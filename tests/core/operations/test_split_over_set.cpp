#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <map>

#include "core/format/DefinitionReader.h"
#include "core/format/RecoveryFormat.h"
#include "core/io/FileSystemCalls.h"
#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/SplitOperation.h"
#include "core/set/CommitNames.h"
#include "core/set/ExistingSet.h"
#include "core/set/SetLock.h"
#include "tests/support/FaultSeam.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Files = test::FolderFiles;

long RecoveryParts(const Files& files) {
  return std::count_if(files.begin(), files.end(),
                       [](const auto& f) { return LooksLikeRecoveryName(f.first); });
}

// True once a new file of set `setName` is in `folder`: its commit is under way.
bool CommitUnderWay(const std::filesystem::path& folder, const std::string& setName) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (IsHiddenNameOf(setName, it->path().filename().string())) return true;
  return false;
}

// A split over an existing set of 1 KB parts, or add-recovery lowering its recovery
// parts, killed at any call, or by a SIGKILL once its commit is under way, leaves, once
// the next operation has taken the set's lock, the old set or the new one whole, and no
// other file: neither a hidden one nor a new part under a name no file had. The old set's surplus
// parts, its definition file when the new set implants its own, and the recovery parts the new set
// does not name go with the commit in which the new recovery parts take their names, whether the
// old set was implanted or not; an implanted set with more parts than the old one has its
// definition in its last part before that commit. A definition reads at every instant,
// the old or the new, before the recovery too.
TEST(SplitOverSet, KillAtAnyCallLeavesOldOrNewSet) {
  const struct {
    size_t oldSize, newSize;
    int oldRecoveryParts, newRecoveryParts;
    bool addRecovery;  // the second run adds the recovery parts to the old set
    bool oldImplanted = false, newImplanted = false;
    bool stream = false;  // both splits read the source from standard input
  } cases[] = {{20 * 1024, 20 * 1024, 2, 0, false},
               {20 * 1024, 12 * 1024 + 5, 0, 0, false},
               {20 * 1024, 20 * 1024, 3, 1, false},
               {20 * 1024, 20 * 1024, 4, 2, true},
               {12 * 1024 + 5, 20 * 1024, 2, 1, false, true, true},
               {20 * 1024, 12 * 1024 + 5, 2, 0, false, true, false},
               {20 * 1024, 20 * 1024, 0, 0, false, false, true},
               {20 * 1024, 20 * 1024, 0, 0, false, true, false},
               {12 * 1024 + 5, 20 * 1024, 0, 0, false, false, false, true}};
  for (const auto& c : cases) {
    test::TempDir dir;
    test::FakePendants pendants;
    SplitRequest s;
    const std::filesystem::path source = dir / "source";
    s.source = c.stream ? std::filesystem::path("-") : source;
    s.saveFolder = dir.path();
    s.baseName = "movie";
    s.partSizeKb = 1;
    s.randomSizes = s.disguise = false;
    s.implant = c.oldImplanted;
    s.recovery.count = c.oldRecoveryParts;
    const auto split = [&] {
      test::RecordingEvents ui;
      SplitOutcome result;
      if (!c.stream) return (result = RunSplit(test::Seeded(s, 42), pendants, ui)).completed;
      const int in = ::dup(STDIN_FILENO);
      const int from = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
      ::dup2(from, STDIN_FILENO);
      ::close(from);
      result = RunSplit(test::Seeded(s, 42), pendants, ui);
      ::dup2(in, STDIN_FILENO);
      ::close(in);
      return result.completed;
    };
    const SetNames names = SplitSetNames(s, c.stream ? std::nullopt : std::optional<int>(20));
    const auto second = [&] {
      if (!c.addRecovery) return split();
      const std::filesystem::path definition = SplitSetNames(s, 20).DefinitionPath();
      KvrDefinition loaded = ReadDefinition(definition, pendants);
      test::RecordingEvents ui;
      return RunAddRecovery({.definitionPath = definition, .loaded = loaded, .amount = s.recovery},
                            pendants, ui)
          .completed;
    };
    const std::string setName = SplitSetNames(s, std::nullopt).LockName();
    test::WriteBytes(source, test::RandomBytes(c.oldSize, 1));
    ASSERT_TRUE(split());
    s.recovery.count = c.newRecoveryParts;
    s.implant = c.newImplanted;
    test::WriteBytes(source, test::RandomBytes(c.newSize, 2));
    const Files oldSet = test::FolderContent(dir.path());
    sys::StartCountingCalls();
    ASSERT_TRUE(second());
    const std::uint64_t calls = sys::CallsMade();
    const Files newSet = test::FolderContent(dir.path());
    EXPECT_EQ(newSet.count(names.PartName(19)), c.newSize >= c.oldSize);
    EXPECT_EQ(RecoveryParts(oldSet), c.oldRecoveryParts);
    EXPECT_EQ(RecoveryParts(newSet), c.newRecoveryParts);
    EXPECT_EQ(newSet.count("movie.kvr"), !c.newImplanted);
    // Every few calls, so that the test stays short, and each of the last 32 calls, where
    // the renames run; at n = 0 the SIGKILL.
    for (std::uint64_t n = 0; n <= calls + 1; n += n == 0 || n + 32 > calls ? 1 : calls / 50 + 1) {
      std::filesystem::remove_all(dir.path());
      std::filesystem::create_directory(dir.path());
      for (const auto& [name, content] : oldSet) test::WriteBytes(dir / name, content);
      const pid_t child = ::fork();
      if (child == 0) {
        sys::EndProcessAtCall(n);
        ::_exit(second() ? 0 : 1);
      }
      int status = 0;
      pid_t ended = 0;
      while (n == 0 && (ended = ::waitpid(child, &status, WNOHANG)) == 0 &&
             !CommitUnderWay(dir.path(), setName)) {
      }
      if (n == 0 && ended == 0) ::kill(child, SIGKILL);
      if (ended == 0) ended = ::waitpid(child, &status, 0);
      ASSERT_EQ(ended, child);
      ASSERT_TRUE(WIFSIGNALED(status) ? WTERMSIG(status) == SIGKILL : status == 0) << n;
      // A definition reads at every instant, the old or the new, even before recovery.
      EXPECT_TRUE(FindExistingSet(names, pendants)) << "killed at call " << n;
      SetLock(dir.path(), setName, SetLock::Mode::Exclusive);
      const Files after = test::FolderContent(dir.path());
      EXPECT_TRUE(after == newSet || after == oldSet) << "killed at call " << n << " of " << calls;
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
    const Files before = test::FolderContent(dir.path());
    EXPECT_FALSE((result = RunSplit(test::Seeded(s, 42), pendants, events)).completed) << foreign;
    EXPECT_TRUE(test::FolderContent(dir.path()) == before) << foreign;
    s.overwrite = true;
    EXPECT_TRUE((result = RunSplit(test::Seeded(s, 42), pendants, events)).completed) << foreign;
    EXPECT_NE(test::ReadBytes(dir / foreign), before.at(foreign)) << foreign;
  }
}

}  // namespace
}  // namespace kivora
