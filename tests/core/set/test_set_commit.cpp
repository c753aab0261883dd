#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/io/FileSystemCalls.h"
#include "core/set/CommitJournal.h"
#include "core/set/CommitNames.h"
#include "core/set/JournalKey.h"
#include "core/set/SetCommit.h"
#include "core/text/Messages.h"
#include "tests/support/FaultSeam.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Files = std::map<std::string, std::string>;  // name → content
const std::string kName = "s";                     // the set's name

// A set of three parts and its definition, and the one that replaces it: two parts
// rewritten, one added, one removed, the definition named last.
const Files kOldSet = {
    {"s00.bin", "old1"}, {"s01.bin", "old2"}, {"s02.bin", "old3"}, {"s.kvr", "olddef"}};
const Files kNewSet = {
    {"s00.bin", "new1"}, {"s01.bin", "new22"}, {"s03.bin", "new4"}, {"s.kvr", "newdef"}};
const char* const kNewOrder[] = {"s00.bin", "s01.bin", "s03.bin", "s.kvr"};
const SetMembers kCommitMembers[] = {{"s.kvr", {"s00.bin", "s01.bin", "s02.bin"}, {}},
                                     {"s.kvr", {"s00.bin", "s01.bin", "s03.bin"}, {}}};

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
  const std::string removals[] = {"s02.bin"};
  CommitSet(folder, kName, files, removals, kCommitMembers, sync);
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

// A journal that the user's key does not prove, or that reaches beyond the set, is not
// obeyed: the recovery refuses, naming it, and leaves every file as it was. One the key
// proves whose new file is short is undone, and the set's hidden files are swept.
TEST(SetCommit, RecoveryObeysOnlyAProvenJournalOfTheSet) {
  const std::string own = HiddenNameFor(kName, "s00.bin");
  const std::string notes = HiddenNameFor(kName, "notes.txt");
  const std::vector<SetMembers> members(std::begin(kCommitMembers), std::end(kCommitMembers));
  const std::vector<SetMembers> otherSet = {{"t.kvr", {"t00.bin", "t01.bin"}, {}}};
  const auto sealed = [](const CommitJournal& journal) {
    return EncodeCommitJournal(journal, JournalKey::OfUser().Bytes());
  };
  const std::array<std::uint8_t, 32> otherKey = {7};
  const struct {
    const char* what;
    std::vector<std::uint8_t> journal;
    bool obeyed;
  } cases[] = {
      {"does not read", {'K', 'v'}, false},
      {"forged", EncodeCommitJournal({{{own, "s00.bin", 4, {}}}, {"s02.bin"}, members}, otherKey),
       false},
      {"names a plain file as hidden",
       sealed({{{"s01.bin", "s00.bin", 4, {}}}, {"s02.bin"}, members}), false},
      {"removes a file of no set", sealed({{{own, "s00.bin", 4, {}}}, {"victim.txt"}, members}),
       false},
      {"renames over a file of no set", sealed({{{notes, "notes.txt", 4, {}}}, {}, members}),
       false},
      {"of another set's names",
       sealed({{{HiddenNameFor(kName, "t00.bin"), "t00.bin", 4, {}}}, {"t01.bin"}, otherSet}),
       false},
      {"a new file is short", sealed({{{own, "s00.bin", 5, {}}}, {"s02.bin"}, members}), true},
  };
  Files foreign = kOldSet;
  for (const char* name : {"victim.txt", "notes.txt", "t00.bin", "t01.bin"}) foreign[name] = name;
  for (const auto& c : cases) {
    SetFolder set(foreign);
    test::WriteBytes(set.dir / own, std::vector<std::uint8_t>{'n', 'e', 'w', '1'});
    test::WriteBytes(set.dir / notes, std::vector<std::uint8_t>{'e', 'v', 'i', 'l'});
    test::WriteBytes(set.dir / CommitJournalTempName(kName), std::vector<std::uint8_t>{1});
    test::WriteBytes(set.dir / CommitJournalName(kName), c.journal);
    const Files before = FolderContent(set.dir.path());
    if (c.obeyed) {
      const InterruptedCommit report = FinishInterruptedCommit(set.folder, kName);
      EXPECT_EQ(report.outcome, InterruptedCommit::Outcome::RolledBack) << c.what;
      EXPECT_EQ(report.leftovers, 3u) << c.what;
      EXPECT_EQ(FolderContent(set.dir.path()), foreign) << c.what;
      continue;
    }
    try {
      FinishInterruptedCommit(set.folder, kName);
      ADD_FAILURE() << c.what << ": obeyed";
    } catch (const KivoraError& e) {
      EXPECT_EQ(e.Text().In(Language::English),
                msg::kUntrustedJournal((set.dir / CommitJournalName(kName)).string())
                    .In(Language::English))
          << c.what;
    }
    EXPECT_EQ(FolderContent(set.dir.path()), before) << c.what;
  }
}

// The per-user key is taken only from a file and a folder that nobody else can swap.
TEST(JournalKey, RefusesAKeyOrAFolderOthersCouldReplace) {
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path& folder)> prepare;
    bool folderRefused;  // else the key file is refused
  };
  const std::vector<std::uint8_t> key(32, 7);
  const Case cases[] = {
      {"a key others may read",
       [&](const std::filesystem::path& folder) {
         test::WriteBytes(folder / "commit.key", key);
         ::chmod((folder / "commit.key").c_str(), 0640);
       },
       false},
      {"a key of the wrong size",
       [&](const std::filesystem::path& folder) {
         test::WriteBytes(folder / "commit.key", std::vector<std::uint8_t>(31, 7));
         ::chmod((folder / "commit.key").c_str(), 0600);
       },
       false},
      {"a key that is a link",
       [&](const std::filesystem::path& folder) {
         test::WriteBytes(folder / "elsewhere", key);
         ::chmod((folder / "elsewhere").c_str(), 0600);
         std::filesystem::create_symlink(folder / "elsewhere", folder / "commit.key");
       },
       false},
      {"a folder others may write in",
       [](const std::filesystem::path& folder) { ::chmod(folder.c_str(), 0777); }, true},
      {"a folder that is a link",
       [](const std::filesystem::path& folder) {
         std::filesystem::rename(folder, folder.parent_path() / "real");
         std::filesystem::create_directory_symlink(folder.parent_path() / "real", folder);
       },
       true},
  };
  const char* given = std::getenv("XDG_STATE_HOME");
  const std::string before = given ? given : "";
  for (const Case& c : cases) {
    test::TempDir state;
    const std::filesystem::path folder = state.path() / "kivora";
    std::filesystem::create_directory(folder);
    ::chmod(folder.c_str(), 0700);
    c.prepare(folder);
    const std::string wanted =
        (c.folderRefused ? msg::kJournalKeyFolderRefused(folder.string())
                         : msg::kJournalKeyRefused((folder / "commit.key").string()))
            .In(Language::English);
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    try {
      JournalKey::OfUser();
      ADD_FAILURE() << c.what << ": taken";
    } catch (const KivoraError& e) {
      EXPECT_EQ(e.Text().In(Language::English), wanted) << c.what;
    }
  }
  if (given) {
    ::setenv("XDG_STATE_HOME", before.c_str(), 1);
  } else {
    ::unsetenv("XDG_STATE_HOME");
  }
}

}  // namespace
}  // namespace kivora
