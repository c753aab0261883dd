// Plain sets by reference on real file systems: loop-mounted btrfs and XFS images when the
// tests run as root with loop devices and mkfs.btrfs / mkfs.xfs (skipped otherwise), and
// a set whose parts and joined file lie on two file systems.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "core/io/File.h"
#include "core/io/RangeCopy.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }
bool Ok(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}
std::string Cli() { return Quoted(KIVORA_CLI_PATH); }

// A file system of `kind` in an image under `folder`, mounted (mount -o loop, which
// frees the loop device again on umount) while this lives.
class LoopMount {
 public:
  LoopMount(const std::string& kind, const fs::path& folder, int megabytes)
      : image_(folder / (kind + ".img")), path_(folder / kind) {
    if (::geteuid() != 0 || !fs::exists("/dev/loop-control") || !test::FindProgram("mkfs." + kind))
      return;
    fs::create_directory(path_);
    mounted_ = Ok("truncate -s " + std::to_string(megabytes) + "M " + Quoted(image_)) &&
               Ok("mkfs." + kind + " -q " + Quoted(image_)) &&
               Ok("mount -o loop " + Quoted(image_) + " " + Quoted(path_));
  }
  ~LoopMount() {
    if (mounted_) Ok("umount " + Quoted(path_));
  }
  bool Mounted() const { return mounted_; }
  const fs::path& Path() const { return path_; }
  // Bytes free once what was written reached the disk.
  std::int64_t FreeBytes() const {
    ::sync();
    struct statvfs st {};
    return ::statvfs(path_.c_str(), &st) == 0 ? std::int64_t(st.f_bfree) * std::int64_t(st.f_frsize)
                                              : -1;
  }

 private:
  fs::path image_;
  fs::path path_;
  bool mounted_ = false;
};

constexpr std::int64_t kSourceBytes = 48 << 20;

// Parts of 4000 KB start and end on 4 KB blocks: split and join share the source's blocks
// instead of copying them, and the joined file is the source. Sources and parts unchanged
// for a second are cloned and proved where they are (their stamp settled); a part changed
// since fails the join, proved where the join placed it while its change is recent, and
// in place a second later.
TEST(PlainSetByReference, SharesBlocksOnBtrfsAndXfsAndProvesWhatItPlaced) {
  const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); };
  for (const auto& [kind, megabytes] : {std::pair{"btrfs", 300}, std::pair{"xfs", 320}}) {
    SCOPED_TRACE(kind);
    test::TempDir dir;
    LoopMount mount(kind, dir.path(), megabytes);
    if (!mount.Mounted()) GTEST_SKIP() << "needs root, loop devices and mkfs." << kind;
    const fs::path root = mount.Path();
    const fs::path changed = root / "set/movie03.png";
    test::WriteBytes(root / "movie.avi", test::RandomBytes(kSourceBytes, 7));
    settle();  // a source changed within the last second is copied
    const std::int64_t before = mount.FreeBytes();
    ASSERT_TRUE(Ok(Cli() + " split " + Quoted(root / "movie.avi") +
                   " --plain --no-random -s 4000 -q --mkdir -o " + Quoted(root / "set")));
    const std::int64_t afterSplit = mount.FreeBytes();
    const auto join = [&](const char* folder) {
      return Ok(Cli() + " join -q --mkdir " + Quoted(root / "set/movie.kvr") + " -o " +
                Quoted(root / folder));
    };
    settle();
    EXPECT_TRUE(SettledStamp(File::OpenRead(changed)));
    ASSERT_TRUE(join("out"));
    EXPECT_LT(afterSplit - mount.FreeBytes(), kSourceBytes / 100);
    EXPECT_LT(before - afterSplit, kSourceBytes / 100);
    EXPECT_TRUE(test::ReadBytes(root / "out/movie.avi") == test::ReadBytes(root / "movie.avi"));

    {  // changed in place, as an editor or a second writer would
      std::fstream part(changed, std::ios::in | std::ios::out | std::ios::binary);
      part.seekg(4096);
      const char c = static_cast<char>(part.get() ^ 0x20);
      part.seekp(4096);
      part.put(c);
    }
    EXPECT_FALSE(SettledStamp(File::OpenRead(changed)));
    EXPECT_FALSE(join("again"));
    settle();
    EXPECT_TRUE(SettledStamp(File::OpenRead(changed)));
    EXPECT_FALSE(join("later"));
    EXPECT_FALSE(fs::exists(root / "again/movie.avi"));
    EXPECT_FALSE(fs::exists(root / "later/movie.avi"));
  }
}

// Where the parts and the joined file lie on two file systems the system refuses the
// copy in the kernel: the split and the join copy through memory, byte for byte.
TEST(PlainSetByReference, CopiesThroughMemoryAcrossFileSystems) {
  test::TempDir dir;
  const fs::path shared = fs::path("/dev/shm") / dir.path().filename();
  struct stat a {
  }, b{};
  if (::stat(shared.parent_path().c_str(), &a) != 0 || ::stat(dir.path().c_str(), &b) != 0 ||
      a.st_dev == b.st_dev)
    GTEST_SKIP() << "needs /dev/shm on a file system of its own";
  fs::create_directory(shared);
  const std::vector<std::uint8_t> source = test::RandomBytes(3 << 20, 9);
  test::WriteBytes(shared / "movie.avi", source);
  const bool split = Ok(Cli() + " split " + Quoted(shared / "movie.avi") +
                        " --plain --no-random -s 700 -q -o " + Quoted(dir.path()));
  const bool joined = Ok(Cli() + " join -q " + Quoted(dir / "movie.kvr") + " -o " +
                         Quoted(shared / "out") + " --mkdir");
  const std::vector<std::uint8_t> back =
      joined ? test::ReadBytes(shared / "out/movie.avi") : std::vector<std::uint8_t>{};
  fs::remove_all(shared);
  ASSERT_TRUE(split);
  ASSERT_TRUE(joined);
  EXPECT_TRUE(back == source);
}

}  // namespace
}  // namespace kivora
