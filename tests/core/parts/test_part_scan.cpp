#include <gtest/gtest.h>

#include "core/io/File.h"
#include "core/parts/PartScan.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

// Read in two halves side by side, a range gives the very sums it gives read in one go:
// a whole payload, a payload with bytes behind it (an implanted definition, a part
// longer than its record), a file that ends in either half, a range too short to halve.
TEST(PartScan, HalvesSumToTheWholeRange) {
  struct Case {
    size_t fileBytes;
    std::int64_t length, payload;
  };
  constexpr std::int64_t kMiB = 1 << 20;
  for (const Case c :
       {Case{3 * kMiB, 3 * kMiB, 3 * kMiB}, Case{2 * kMiB + 700, 2 * kMiB + 700, 2 * kMiB},
        Case{kMiB, 3 * kMiB, 3 * kMiB}, Case{2 * kMiB, 3 * kMiB, 3 * kMiB}, Case{5000, 5000, 5000},
        Case{2 * kMiB + 10, INT64_MAX, 2 * kMiB}}) {
    SCOPED_TRACE(testing::Message() << c.fileBytes << " " << c.length << " " << c.payload);
    test::TempDir dir;
    test::WriteBytes(dir / "part", test::RandomBytes(c.fileBytes, 5));
    File file = File::OpenRead(dir / "part");
    IoBuffer one;
    std::array<IoBuffer, 2> two;
    const PartScan whole = ScanRange(file, 0, c.length, 0, c.payload, one);
    const PartScan halves = ScanRangeInHalves(file, 0, c.length, c.payload, two);
    EXPECT_EQ(halves.size, whole.size);
    EXPECT_EQ(halves.wholeCrc, whole.wholeCrc);
    EXPECT_EQ(halves.prefixCrc, whole.prefixCrc);
    EXPECT_EQ(halves.payloadCrc, whole.payloadCrc);
    EXPECT_EQ(halves.payloadBytes, whole.payloadBytes);
    EXPECT_FALSE(halves.stopped);
  }
}

}  // namespace
}  // namespace kivora
