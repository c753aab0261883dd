#include <gtest/gtest.h>

#include <string_view>

#include "Crc32.h"

namespace kivora {
namespace {

std::span<const std::uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Crc32, KnownValues) {
  EXPECT_EQ(StreamCrc32(Bytes("abc")), 0x352441C2u);
  EXPECT_EQ(StreamCrc32(Bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(StreamCrc32({}), 0u);
}

TEST(Crc32, UpdateInPiecesEqualsWhole) {
  const std::string_view text = "The quick brown fox jumps over the lazy dog";
  std::uint32_t crc = 0;
  for (size_t i = 0; i < text.size(); i += 7) crc = Crc32Update(crc, Bytes(text.substr(i, 7)));
  EXPECT_EQ(crc, StreamCrc32(Bytes(text)));
}

TEST(RoundHalfAway, HalvesGoAwayFromZero) {
  EXPECT_EQ(RoundHalfAway(0.5L), 1);
  EXPECT_EQ(RoundHalfAway(2.5L), 3);
  EXPECT_EQ(RoundHalfAway(-1.5L), -2);
  EXPECT_EQ(RoundHalfAway(-0.5L), -1);
  EXPECT_EQ(RoundHalfAway(1.49L), 1);
  EXPECT_EQ(RoundHalfAway(0.0L), 0);
}

}  // namespace
}  // namespace kivora
