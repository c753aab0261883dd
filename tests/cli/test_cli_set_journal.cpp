#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "core/set/CommitJournal.h"
#include "core/set/CommitNames.h"
#include "core/set/JournalKey.h"
#include "core/text/Messages.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using test::RunCli;

// A journal planted beside a set, as an archive of the set can carry it, that would remove
// a file of no set and put another file's bytes over a second one: whether the user's key
// does not prove it or its names are another set's, the next writer of the set refuses,
// names the journal, and leaves every file as it was.
TEST(CliSetJournal, APlantedJournalIsNotObeyed) {
  const std::array<std::uint8_t, 32> strangerKey = {9};
  const SetMembers other = {"other.kvr", {"other00.png", "other01.png"}, {}};
  const SetMembers planted = {"movie.kvr", {"movie00.png"}, {"victim.txt", "notes.txt"}};
  const CommitJournal journal = {
      {{HiddenNameFor("movie", "notes.txt"), "notes.txt", 4, {}}}, {"victim.txt"}, {planted}};
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"forged", EncodeCommitJournal(journal, strangerKey)},
      {"another set's names",
       EncodeCommitJournal({{{HiddenNameFor("movie", "other00.png"), "other00.png", 4, {}}},
                            {"other01.png"},
                            {other}},
                           JournalKey::OfUser().Bytes())},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    test::WriteBytes(dir / "movie.bin", test::RandomBytes(5000, 3));
    ASSERT_EQ(RunCli({"split", (dir / "movie.bin").string(), "-s", "1", "--no-random"}).code, 0);
    for (const char* name : {"victim.txt", "notes.txt", "other00.png", "other01.png"})
      test::WriteBytes(dir / name, std::vector<std::uint8_t>(name, name + 4));
    test::WriteBytes(dir / HiddenNameFor("movie", "notes.txt"), std::vector<std::uint8_t>(4, 'x'));
    test::WriteBytes(dir / HiddenNameFor("movie", "other00.png"),
                     std::vector<std::uint8_t>(4, 'x'));
    test::WriteBytes(dir / CommitJournalName("movie"), c.bytes);
    const auto before = test::FolderContent(dir.path());
    const auto run = RunCli({"add-recovery", (dir / "movie.kvr").string(), "1"});
    EXPECT_NE(run.code, 0) << c.what;
    EXPECT_NE(
        run.err.find(msg::kUntrustedJournal((dir / CommitJournalName("movie")).string()).Chinese()),
        std::string::npos)
        << c.what << ": " << run.err;
    EXPECT_EQ(test::FolderContent(dir.path()), before) << c.what;
  }
}

}  // namespace
}  // namespace kivora
