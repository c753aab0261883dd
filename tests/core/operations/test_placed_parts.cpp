#include <gtest/gtest.h>

#include "core/operations/PlacedParts.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// A failure while waiting parts take their names (part 1's here) leaves every name with
// a file: the parts before it new, the others as they were, whatever order the writers
// committed the parts in.
TEST(PlacedParts, FailedReplaceLeavesEveryNameAFile) {
  for (const std::vector<int>& committed : {std::vector{0, 1, 2}, {2, 1, 0}, {1, 2, 0}}) {
    test::TempDir dir;
    std::vector<WriteBehind::CommittedFile> files;
    for (const int i : committed) {
      const auto target = dir / ("p" + std::to_string(i));
      const auto hidden = dir / (".new" + std::to_string(i));
      test::WriteBytes(target, {0});
      if (i != 1) test::WriteBytes(hidden, {1});
      files.push_back({i, target, hidden});
    }
    PlacedParts placed;
    placed.Set(files);
    EXPECT_ANY_THROW(placed.ReplaceTakenNames());
    EXPECT_EQ(placed.KeepBefore(INT_MAX).size(), 1u);
    for (const auto& [name, byte] : {std::pair{"p0", 1}, {"p1", 0}, {"p2", 0}})
      EXPECT_EQ(test::ReadBytes(dir / name), std::vector<std::uint8_t>{std::uint8_t(byte)})
          << name << " after " << committed[0] << committed[1] << committed[2];
    EXPECT_FALSE(std::filesystem::exists(dir / ".new2"));
  }
}

}  // namespace
}  // namespace kivora
