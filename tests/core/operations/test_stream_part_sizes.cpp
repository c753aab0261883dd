#include <gtest/gtest.h>

#include "core/operations/StreamPartSizes.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using SizesCase = std::pair<int, bool>;  // part size in KB, random sizes
class StreamPartSizesTest : public ::testing::TestWithParam<SizesCase> {};

// A stream is cut into parts of the same sizes as a file of the same bytes with the same
// seed: at every length around the part size, its pairs and an exact multiple of it.
TEST_P(StreamPartSizesTest, SameSizesAsTheFilePlan) {
  SplitRequest s;
  std::tie(s.partSizeKb, s.randomSizes) = GetParam();
  const std::int64_t base = std::int64_t{s.partSizeKb} * 1024;
  test::TempDir dir;
  std::vector<std::uint8_t> buffer(static_cast<size_t>(2 * base));
  for (const std::int64_t total :
       {std::int64_t{0}, std::int64_t{1}, base - 1, base, base + 1, 2 * base - 1, 2 * base,
        2 * base + 1, 3 * base + 7, 6 * base, 7 * base - 5 * 1024, 9 * base + 5 * 1024 + 1}) {
    test::WriteBytes(dir / "s", test::RandomBytes(static_cast<size_t>(total)));
    Random fileRandom(total + 3);
    const std::vector<std::int32_t> expected = PlanPartSizes(total, s, fileRandom);
    StreamSource source(File::OpenRead(dir / "s"));
    StreamPartSizes sizes(s, Random(total + 3));
    std::vector<std::int32_t> got;
    while (const std::optional<std::int32_t> size = sizes.Next(source)) {
      got.push_back(*size);
      ASSERT_EQ(source.Read(buffer), static_cast<size_t>(*size));
    }
    EXPECT_EQ(got, expected) << total;
    EXPECT_EQ(source.Consumed(), total);
  }
}

INSTANTIATE_TEST_SUITE_P(Plans, StreamPartSizesTest,
                         ::testing::Values(SizesCase{10, true}, SizesCase{100, true},
                                           SizesCase{150, true}, SizesCase{1, false}));

}  // namespace
}  // namespace kivora
