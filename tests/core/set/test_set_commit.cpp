#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "core/io/FileSystemCalls.h"
#include "core/set/CommitJournal.h"
#include "core/set/CommitNames.h"
#include "core/set/SetCommit.h"
#include "core/text/Messages.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Files = std::map<std::string, std::string>;  // name → content
const std::string kName = "s.kvr";                 // the set's name

// A set of three parts and its definition, and the one that replaces it: two parts
// rewritten, one added, one removed, the definition named last.
const Files kOldSet = {{"s.001", "old1"}, {"s.002", "old2"}, {"s.003", "old3"}, {kName, "olddef"}};
const Files kNewSet = {{"s.001", "new1"}, {"s.002", "new22"}, {"s.004", "new4"}, {kName, "newdef"}};
const char* const kNewOrder[] = {"s.001", "s.002", "s.004", "s.kvr"};
const SetMembers kMembers[] = {{"s.kvr", {"s.001", "s.002", "s.003"}, {}},
                               {"s.kvr", {"s.001", "s.002", "s.004"}, {}}};

Files FolderContent(const std::filesystem::path& folder) {
  Files files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const auto bytes = test::ReadBytes(entry.path());
    files[entry.path().filename()] = std::string(bytes.begin(), bytes.end());
  }
  return files;
}

// What a split over the set does: the new files under their hidden names, then the commit.
void CommitNewSet(const Folder& folder, HiddenFileSync sync) {
  std::vector<NewSetFile> files;
  for (const char* target : kNewOrder) {
    const std::string hidden = HiddenNameFor(kName, target);
    const int fd = sys::OpenAt(folder.Descriptor(), hidden.c_str(),
                               O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string& content = kNewSet.at(target);
    if (fd < 0 || sys::Write(fd, content.data(), content.size()) != ssize_t(content.size()))
      throw KivoraError(DescribeIoError(hidden, msg::kWriteFileFailed, errno));
    ::close(fd);
    files.push_back({target, std::nullopt});
  }
  const std::string removals[] = {"s.003"};
  CommitSet(folder, kName, files, removals, kMembers, sync);
}

struct SetFolder {
  test::TempDir dir;
  Folder folder{dir.path(), msg::kOpenFileFailed, dir.path()};
  explicit SetFolder(const Files& files = kOldSet) {
    for (const auto& [name, content] : files)
      test::WriteBytes(dir / name, std::vector<std::uint8_t>(content.begin(), content.end()));
  }
};

// Runs fn in a child process that the seam ends just before call n; true when it did.
// A failure in the child (an exception, so an abort) fails the test.
bool KilledAt(std::uint64_t n, const std::function<void()>& fn) {
  const pid_t child = ::fork();
  if (child == 0) {
    sys::EndProcessAtCall(n);
    fn();
    ::_exit(0);
  }
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, 0), child);
  const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  EXPECT_TRUE(killed || status == 0) << "failed at call " << n;
  return killed;
}

// Kills the commit at each of its calls; where that leaves a journal, kills the recovery
// at each of its calls too, before the recovery that runs to its end.
TEST(SetCommit, AKillAtEveryCallLeavesTheOldSetOrTheNewSet) {
  for (const HiddenFileSync sync : {HiddenFileSync::EachFile, HiddenFileSync::FileSystem}) {
    std::uint64_t calls = 0;
    {
      SetFolder set;
      sys::StartCountingCalls();
      CommitNewSet(set.folder, sync);
      calls = sys::CallsMade();
      sys::EndProcessAtCall(0);
    }
    ASSERT_GT(calls, 10u);
    bool sawOld = false, sawNew = false;
    int journals = 0;
    for (std::uint64_t n = 1; n <= calls + 1; ++n) {
      const Files killed = [&] {
        SetFolder set;
        EXPECT_EQ(KilledAt(n, [&] { CommitNewSet(set.folder, sync); }), n <= calls);
        return FolderContent(set.dir.path());
      }();
      const bool journal = killed.contains(CommitJournalName(kName));
      journals += journal;
      for (std::uint64_t m = journal ? 1 : 0;; ++m) {
        SetFolder set(killed);
        const bool stopped =
            m != 0 && KilledAt(m, [&] { FinishInterruptedCommit(set.folder, kName); });
        FinishInterruptedCommit(set.folder, kName);
        const Files after = FolderContent(set.dir.path());
        EXPECT_TRUE(after == kOldSet || after == kNewSet) << "killed at " << n << ", then " << m;
        if (stopped) continue;
        sawOld |= after == kOldSet;
        sawNew |= after == kNewSet;
        EXPECT_TRUE(!sawNew || after == kNewSet) << "the old set after the new, at call " << n;
        break;
      }
    }
    EXPECT_TRUE(sawOld && sawNew);
    EXPECT_GT(journals, 3);
  }
}

TEST(SetCommit, RecoveryUndoesAJournalThatDoesNotFitAndSweepsHiddenFiles) {
  const std::string own = HiddenNameFor(kName, "s.001");
  const struct {
    const char* what;
    std::vector<std::uint8_t> journal;
  } cases[] = {
      {"does not read", {'K', 'v'}},
      {"names a plain file as hidden",
       EncodeCommitJournal({{{"s.002", "s.001", 4, {}}}, {"s.003"}})},
      {"a new file is short", EncodeCommitJournal({{{own, "s.001", 5, {}}}, {"s.003"}})},
  };
  for (const auto& c : cases) {
    SetFolder set;
    test::WriteBytes(set.dir / own, std::vector<std::uint8_t>{'n', 'e', 'w', '1'});
    test::WriteBytes(set.dir / CommitJournalTempName(kName), std::vector<std::uint8_t>{1});
    test::WriteBytes(set.dir / CommitJournalName(kName), c.journal);
    const InterruptedCommit report = FinishInterruptedCommit(set.folder, kName);
    EXPECT_EQ(report.outcome, InterruptedCommit::Outcome::RolledBack) << c.what;
    EXPECT_EQ(report.leftovers, 2u) << c.what;
    EXPECT_EQ(FolderContent(set.dir.path()), kOldSet) << c.what;
  }
}

}  // namespace
}  // namespace kivora
