#include <gtest/gtest.h>

#include "core/operations/SplitOperation.h"
#include "core/parts/PartSizeRule.h"

namespace kivora {
namespace {

using SizesCase = std::pair<int, bool>;  // part size in KB, random sizes
class PartSizeRuleTest : public ::testing::TestWithParam<SizesCase> {};

// A stream, whose bytes left are seen only as far as the rule's look-ahead, is cut into
// parts of the same sizes as a file of the same bytes with the same seed: at every
// length around the part size, its pairs and an exact multiple of it.
TEST_P(PartSizeRuleTest, LookAheadGivesTheFilePlan) {
  SplitRequest s;
  std::tie(s.partSizeKb, s.randomSizes) = GetParam();
  const std::int64_t base = std::int64_t{s.partSizeKb} * 1024;
  for (const std::int64_t total :
       {std::int64_t{0}, std::int64_t{1}, base - 1, base, base + 1, 2 * base - 1, 2 * base,
        2 * base + 1, 3 * base + 7, 6 * base, 7 * base - 5 * 1024, 9 * base + 5 * 1024 + 1}) {
    Random fileRandom(total + 3);
    const std::vector<std::int32_t> expected = PlanPartSizes(total, s, fileRandom);
    Random streamRandom(total + 3);
    PartSizeRule rule(s.partSizeKb, s.randomSizes, streamRandom);
    std::vector<std::int32_t> got;
    for (std::int64_t left = total;;) {
      const std::optional<std::int32_t> size = rule.Next(std::min(left, rule.LookAhead()));
      if (!size) break;
      got.push_back(*size);
      left -= *size;
    }
    EXPECT_EQ(got, expected) << total;
  }
}

INSTANTIATE_TEST_SUITE_P(Plans, PartSizeRuleTest,
                         ::testing::Values(SizesCase{10, true}, SizesCase{100, true},
                                           SizesCase{150, true}, SizesCase{1, false}));

}  // namespace
}  // namespace kivora
