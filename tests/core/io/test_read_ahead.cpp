#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/io/ReadAhead.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// A source in memory that fails once `failAt` bytes were read.
struct MemorySource {
  std::vector<std::uint8_t> bytes;
  size_t failAt = SIZE_MAX;
  size_t at = 0;
  size_t Read(std::span<std::uint8_t> out) {
    if (at >= failAt) throw std::runtime_error("read failed");
    const size_t n = std::min(out.size(), bytes.size() - at);
    std::memcpy(out.data(), bytes.data() + at, n);
    at += n;
    return n;
  }
};

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
    MemorySource source{test::RandomBytes(c.size, 3), c.failAt};
    std::vector<std::uint8_t> got;
    bool failed = false;
    {
      ReadAhead ahead([&](std::span<std::uint8_t> b) { return source.Read(b); }, c.blocks, c.block);
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
    const size_t expected = std::min(c.size, c.failAt);
    if (c.stopAfter < 0) {
      EXPECT_EQ(got.size(), expected);
    } else {  // at most the blocks that fit the ring once the stop was asked for
      EXPECT_LE(got.size(), static_cast<size_t>(c.stopAfter + c.blocks) * c.block);
    }
    EXPECT_EQ(got.size(), source.at);  // nothing read and not handed out
    EXPECT_TRUE(std::equal(got.begin(), got.end(), source.bytes.begin()));
  }
}

}  // namespace
}  // namespace kivora
