// The replace policy: the writers agree on every kind of target.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/KivoraError.h"
#include "core/io/AtomicFile.h"
#include "core/io/OutputTarget.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

namespace fs = std::filesystem;

TEST(ReplacePolicy, AtomicFileAndTheJoinOutputCheckAgreeOnEveryKindOfTarget) {
  test::TempDir dir;
  const std::vector<std::uint8_t> old = {1}, written = {2};
  test::WriteBytes(dir / "file", old);
  fs::create_directory(dir / "folder");
  const auto link = [&](const char* to) {
    return [&, to](auto& p) { fs::create_symlink(dir / to, p); };
  };
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;
    OutputKind kind;
  } cases[] = {
      {"none", [](auto&) {}, OutputKind::Missing},
      {"regular file", [&](auto& p) { test::WriteBytes(p, old); }, OutputKind::Replaceable},
      {"link to a file", link("file"), OutputKind::Replaceable},
      {"dangling link", link("nowhere"), OutputKind::Replaceable},
      {"link to a folder", link("folder"), OutputKind::NotAFile},
      {"folder", [](auto& p) { fs::create_directory(p); }, OutputKind::NotAFile},
      {"FIFO", [](auto& p) { ::mkfifo(p.c_str(), 0600); }, OutputKind::NotAFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = dir / c.name;
    c.make(target);
    const fs::file_type before = fs::symlink_status(target).type();
    EXPECT_EQ(KindOfOutput(target, {}), c.kind);
    if (c.kind == OutputKind::NotAFile) {
      EXPECT_THROW(WriteFileAtomically(target, written), KivoraError);
      EXPECT_EQ(fs::symlink_status(target).type(), before);
    } else {
      WriteFileAtomically(target, written);
      EXPECT_EQ(test::ReadBytes(target), written);
    }
  }
  EXPECT_EQ(test::ReadBytes(dir / "file"), old);  // a link is replaced, not written through
}

}  // namespace
}  // namespace kivora
