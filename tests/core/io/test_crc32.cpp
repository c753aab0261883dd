#include <gtest/gtest.h>

#include <string_view>

#include "core/io/Crc32.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

std::span<const std::uint8_t> TextBytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Crc32, KnownValues) {
  EXPECT_EQ(StreamCrc32(TextBytes("abc")), 0x352441C2u);
  EXPECT_EQ(StreamCrc32(TextBytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(StreamCrc32({}), 0u);
}

TEST(Crc32, UpdateInPiecesEqualsWhole) {
  const std::string_view text = "The quick brown fox jumps over the lazy dog";
  std::uint32_t crc = 0;
  for (size_t i = 0; i < text.size(); i += 7) crc = Crc32Update(crc, TextBytes(text.substr(i, 7)));
  EXPECT_EQ(crc, StreamCrc32(TextBytes(text)));
}

TEST(Crc32, CombineAndZerosMatchDirectComputation) {
  const auto data = [] {
    std::vector<std::uint8_t> v(70000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return v;
  }();
  const std::span<const std::uint8_t> all(data);
  for (size_t cut : {0u, 1u, 1023u, 1024u, 1025u, 40000u, 70000u}) {
    EXPECT_EQ(
        Crc32Combine(StreamCrc32(all.first(cut)), StreamCrc32(all.subspan(cut)), all.size() - cut),
        StreamCrc32(all))
        << cut;
    const std::vector<std::uint8_t> zeros(cut, 0);
    EXPECT_EQ(Crc32OfZeros(cut), StreamCrc32(zeros)) << cut;
  }
}

TEST(Crc32, FileChecksumCoversTheWholeFile) {
  const test::TempDir dir;
  for (const size_t size : {size_t{0}, size_t{1}, (size_t{1} << 20) + 3}) {
    const auto data = test::RandomBytes(size);
    test::WriteBytes(dir / "f", data);
    EXPECT_EQ(FileCrc32(dir / "f"), StreamCrc32(data)) << size;
  }
}

}  // namespace
}  // namespace kivora
