#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "core/pipeline/ReadAhead.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// Whatever the block size and count, the blocks hand out the source in order; a failure
// comes after every byte read before it; a stop hands out what was read, and the source
// is then exactly where those bytes end, so its owner reads on from there.
TEST(ReadAhead, HandsOutTheSourceInOrderUpToAnErrorOrAStop) {
  struct Case {
    size_t size, block;
    int blocks;
    size_t failAt;
    int stopAfter;  // blocks taken before Stop; -1: none
  };
  for (const Case c : {Case{1000, 64, 4, SIZE_MAX, -1}, Case{1024, 64, 2, SIZE_MAX, -1},
                       Case{0, 64, 4, SIZE_MAX, -1}, Case{1000, 4096, 1, SIZE_MAX, -1},
                       Case{1000, 64, 3, 640, -1}, Case{100'000, 64, 4, SIZE_MAX, 5}}) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.block << " " << c.failAt);
    const std::vector<std::uint8_t> source = test::RandomBytes(c.size, 3);
    size_t at = 0;  // where the source was read to
    std::vector<std::uint8_t> got;
    bool failed = false;
    {
      ReadAhead ahead(
          [&](std::span<std::uint8_t> out) {
            if (at >= c.failAt) throw std::runtime_error("read failed");
            const size_t n = std::min(out.size(), source.size() - at);
            std::copy_n(source.begin() + static_cast<std::ptrdiff_t>(at), n, out.begin());
            return at += n, n;
          },
          c.blocks, c.block);
      try {
        for (int taken = 0;; ++taken) {
          if (taken == c.stopAfter) ahead.Stop();
          const std::span<std::uint8_t> block = ahead.Next();
          if (block.empty()) break;
          got.insert(got.end(), block.begin(), block.end());
        }
      } catch (const std::runtime_error&) {
        failed = true;
      }
    }
    EXPECT_EQ(failed, c.failAt != SIZE_MAX);
    if (c.stopAfter < 0) {
      EXPECT_EQ(got.size(), std::min(c.size, c.failAt));
    } else {  // at most the blocks that fit the ring once the stop was asked for
      EXPECT_LE(got.size(), static_cast<size_t>(c.stopAfter + c.blocks) * c.block);
    }
    EXPECT_EQ(got.size(), at);  // nothing read and not handed out
    EXPECT_TRUE(std::equal(got.begin(), got.end(), source.begin()));
  }
}

}  // namespace
}  // namespace kivora
