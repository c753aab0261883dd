#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

TEST(AtomicFile, ReplacedFileKeepsModeAndOwnerNewFileFollowsUmask) {
  test::TempDir dir;
  const fs::path old = dir / "old.bin";
  test::WriteBytes(old, std::vector<std::uint8_t>{1});
  ASSERT_EQ(::chmod(old.c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(old.c_str(), 65534, 65534), 0);
  }

  const mode_t mask = ::umask(022);
  WriteFileAtomically(old, std::vector<std::uint8_t>{2});
  WriteFileAtomically(dir / "new.bin", std::vector<std::uint8_t>{3});
  ::umask(mask);

  EXPECT_EQ(test::ReadBytes(old), std::vector<std::uint8_t>{2});
  EXPECT_EQ(StatOf(old).st_mode & 07777, 0600u);
  if (root) {
    EXPECT_EQ(StatOf(old).st_uid, 65534u);
  }
  EXPECT_EQ(StatOf(dir / "new.bin").st_mode & 07777, 0644u);
}

TEST(AtomicFile, LongestNameAndNothingElseEverInTheFolder) {
  test::TempDir dir;
  const std::string name(255, 'n');
  {
    AtomicFile dropped(dir / name);
    dropped.Write(std::vector<std::uint8_t>{1});
  }
  EXPECT_TRUE(Names(dir.path()).empty());

  AtomicFile out(dir / name);
  out.Write(std::vector<std::uint8_t>{7, 8});
  const int probe = ::open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
  if (probe >= 0) {  // files without a name: not visible before the commit
    ::close(probe);
    EXPECT_TRUE(Names(dir.path()).empty());
  }
  out.Commit();
  EXPECT_EQ(Names(dir.path()), std::set<std::string>{name});
  EXPECT_EQ(test::ReadBytes(dir / name), (std::vector<std::uint8_t>{7, 8}));

  // A file that takes the name while the new one is written is replaced all the same.
  AtomicFile late(dir / "late.bin");
  late.Write(std::vector<std::uint8_t>{9});
  test::WriteBytes(dir / "late.bin", std::vector<std::uint8_t>{1, 2});
  test::WriteBytes(dir / ".late.bin.kvtmp", std::vector<std::uint8_t>{3});  // a killed write's
  late.Commit();
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{name, "late.bin"}));
  EXPECT_EQ(test::ReadBytes(dir / "late.bin"), std::vector<std::uint8_t>{9});
}

// In place: a free name holds the file from the start and loses it when the file is
// dropped; a taken name (a file or a dangling link) keeps what it holds until the commit.
TEST(AtomicFile, InPlaceTakesOnlyAFreeNameAtOnce) {
  for (const std::string taken : {"", "file", "link"}) {
    test::TempDir dir;
    const fs::path target = dir / "part.01";
    const std::vector<std::uint8_t> old{1}, bytes{4, 5, 6};
    if (taken == "file") test::WriteBytes(target, old);
    if (taken == "link") fs::create_symlink(dir / "nowhere", target);
    const std::set<std::string> before = Names(dir.path());
    const fs::file_type kind = fs::symlink_status(target).type();
    const auto inPlace = [&] {
      return taken.empty() ? fs::exists(target) && fs::file_size(target) == bytes.size()
                           : fs::symlink_status(target).type() == kind &&
                                 (taken != "file" || test::ReadBytes(target) == old);
    };
    {
      AtomicFile dropped(target, nullptr, AtomicFile::Placement::InPlaceIfFree);
      dropped.Write(bytes);
      EXPECT_TRUE(inPlace()) << taken;
    }
    EXPECT_EQ(Names(dir.path()), before) << taken;
    AtomicFile out(target, nullptr, AtomicFile::Placement::InPlaceIfFree);
    out.Write(bytes);
    EXPECT_TRUE(inPlace()) << taken;
    out.Commit();
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"part.01"}) << taken;
    EXPECT_EQ(test::ReadBytes(target), bytes) << taken;
  }
}

}  // namespace
}  // namespace kivora
