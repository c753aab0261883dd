#include <gtest/gtest.h>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/payload/GeneratorScrambler.h"
#include "core/payload/Scramblers.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (auto b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string Hex(std::string_view s) {
  return Hex(std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
}

// Worked out by hand. Block scrambler, key "a", 3 bytes: K = "a3" -> halves swapped "3a"
// -> XOR position -> 32 63; only K[1] takes part and each byte adds its block offset.
// Key "ab", 5 bytes: "ab5" is odd -> "ab5a" -> "5aab" -> 34 63 62 66; positions 1..3.
// Generator scrambler, 1 byte: S = "1k0" mixed to 54 0d 57; 0x54 ^ offset 0 ^ (size 1).
TEST(Scramblers, KnownAnswersWorkedOutByHand) {
  const struct {
    const char* key;
    std::size_t size;
    int version;
    const char* hex;
  } cases[] = {{"a", 3, 1, "323330"}, {"ab", 5, 1, "3462603767"}, {"k", 1, 0, "55"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    std::vector<std::uint8_t> data(c.size, 0);
    ASSERT_TRUE(ScrambleStream(data, c.key, c.version));
    EXPECT_EQ(Hex(data), c.hex);
  }
}

TEST(BlockScrambler, KeystreamRestartsEveryBlock) {
  std::vector<std::uint8_t> data(3000, 0);
  ScrambleStream(data, "password", 1);
  // Byte 1024 uses the same key position and offset term as byte 0.
  for (size_t i = 0; i < 1024; ++i) {
    ASSERT_EQ(data[i], data[i + 1024]) << i;
    if (i + 2048 < data.size()) {
      ASSERT_EQ(data[i], data[i + 2048]) << i;
    }
  }
}

TEST(BlockScrambler, ScrambledChecksumFollowsFromPlainOne) {
  for (size_t n : {1u, 1023u, 1024u, 1025u, 5000u, 300001u}) {
    const auto plain = test::RandomBytes(n, static_cast<std::uint32_t>(n) + 5);
    auto scrambled = plain;
    BlockScrambler scrambler("part00.png", n);
    scrambler.Apply(scrambled);
    EXPECT_EQ(StreamCrc32(plain) ^ scrambler.KeystreamCrc(n) ^ Crc32OfZeros(n),
              StreamCrc32(scrambled))
        << n;
  }
}

class ScramblerVersion : public ::testing::TestWithParam<int> {};

TEST_P(ScramblerVersion, RoundTrips) {
  for (size_t n : {1u, 1023u, 1024u, 1025u, 5000u}) {
    SCOPED_TRACE(n);
    const auto original = test::RandomBytes(n, static_cast<std::uint32_t>(n));
    auto data = original;
    ASSERT_TRUE(ScrambleStream(data, "密碼", GetParam()));
    EXPECT_NE(data, original);
    ASSERT_TRUE(ScrambleStream(data, "密碼", GetParam()));
    EXPECT_EQ(data, original);
  }
}

TEST_P(ScramblerVersion, LengthEntersTheKey) {
  std::vector<std::uint8_t> a(100, 0), b(101, 0);
  ScrambleStream(a, "key", GetParam());
  ScrambleStream(b, "key", GetParam());
  EXPECT_FALSE(std::equal(a.begin(), a.end(), b.begin()));
}

TEST_P(ScramblerVersion, CopyAppendsAndMatchesInPlace) {
  const auto payload = test::RandomBytes(2500);
  auto inPlace = payload;
  ScrambleStream(inPlace, "name.png", GetParam());
  std::vector<std::uint8_t> dest = {1, 2, 3};
  ASSERT_TRUE(ScrambleCopy(payload, dest, "name.png", GetParam()));
  ASSERT_EQ(dest.size(), 3 + payload.size());
  EXPECT_EQ(std::vector<std::uint8_t>(dest.begin(), dest.begin() + 3),
            (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_TRUE(std::equal(inPlace.begin(), inPlace.end(), dest.begin() + 3));
}

// Pieces of 7, 1500 and the rest, and (crossing the first block) 1030 and the rest.
TEST_P(ScramblerVersion, ApplyingInPiecesEqualsWhole) {
  const auto payload = test::RandomBytes(4000);
  auto whole = payload;
  ScrambleStream(whole, "k", GetParam());
  auto pieces = payload;
  const auto apply = [&](auto scrambler) {
    for (const auto& [at, size] : {std::pair<size_t, size_t>{0, 7}, {7, 1023}, {1030, 477}})
      scrambler.Apply(std::span(pieces).subspan(at, size));
    scrambler.Apply(std::span(pieces).subspan(1507));
  };
  if (GetParam() == 0)
    apply(GeneratorScrambler("k", static_cast<std::int64_t>(pieces.size())));
  else
    apply(BlockScrambler("k", pieces.size()));
  EXPECT_EQ(pieces, whole);
}

INSTANTIATE_TEST_SUITE_P(Versions, ScramblerVersion, ::testing::Values(0, 1),
                         [](const auto& param_info) {
                           return param_info.param == 0 ? "Generator" : "Block";
                         });

TEST(Scramblers, EmptyAndUnknownVersions) {
  std::vector<std::uint8_t> empty;
  EXPECT_THROW(ScrambleStream(empty, "k", 1), KivoraError);
  EXPECT_FALSE(ScrambleStream(empty, "k", 0));
  std::vector<std::uint8_t> dest;
  EXPECT_FALSE(ScrambleCopy(empty, dest, "k", 0));
  std::vector<std::uint8_t> data(4, 0);
  EXPECT_FALSE(ScrambleStream(data, "k", 2));
  EXPECT_EQ(data, std::vector<std::uint8_t>(4, 0));
  // ScrambleCopy treats every kind but 0 as the block scrambler.
  std::vector<std::uint8_t> viaCopy, viaStream(4, 0);
  ScrambleCopy(std::vector<std::uint8_t>(4, 0), viaCopy, "k", 7);
  ScrambleStream(viaStream, "k", 1);
  EXPECT_EQ(viaCopy, viaStream);
}

TEST(GeneratorScrambler, FormatsFifteenSignificantDigits) {
  EXPECT_EQ(FormatGeneral15(0.0L), "0");
  EXPECT_EQ(FormatGeneral15(1.0L), "1");
  EXPECT_EQ(FormatGeneral15(100.0L), "100");
  EXPECT_EQ(FormatGeneral15(1.5e-5L), "1.5E-5");
  EXPECT_EQ(FormatGeneral15(0.0001L), "0.0001");
  EXPECT_EQ(FormatGeneral15(0.00012L), "0.00012");
  EXPECT_EQ(FormatGeneral15(123.456L), "123.456");
  EXPECT_EQ(FormatGeneral15(1.0L / 3.0L), "0.333333333333333");
  EXPECT_EQ(FormatGeneral15(2.0L / 3.0L), "0.666666666666667");
  EXPECT_EQ(FormatGeneral15(0.98L), "0.98");
  EXPECT_EQ(FormatGeneral15(9.9999999999999999L), "10");
}

// Reference values from an exact-rational emulation of 80-bit round-to-nearest
// arithmetic, independent of the code under test.
// An even last digit of the size swaps the two numbers: "1k0" for 1025, "0k1" for 1024.
TEST(GeneratorScrambler, KeyStringsMatchExtendedPrecisionReference) {
  const struct {
    std::int64_t size;
    int step;  // counting from 1
    const char* hex;
  } cases[] = {
      {1025, 1, "540d57"},              // "1k0"
      {1025, 2, "95899f96cb938c9494"},  // "1.97k0.98"
      {1025, 3, "766a77767a7576777f7d7d7a7a707f623c657b6b606067"},
      {1025, 10, "2f302e202e2b2e25262120242227263a663f2131313d3837363536383837310408"},
      {1025, 100, "baa2b9b3b2babab2b6b1bcb2b6b3b0f5a9b2a5a9aba0ada6a1a1a0a0a4a6a49f"},
      {1025, 1000, "7e617870717a737470757e707075726c376e7061616b6e64656f67696460645455"},
      {1024, 1, "550d56"},              // "0k1"
      {1024, 2, "94899f99cb928c949b"},  // "0.98k1.97"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " step " << c.step);
    V1State state;
    for (int step = 1; step < c.step; ++step) NextV1Key(state, "k", c.size);
    EXPECT_EQ(Hex(NextV1Key(state, "k", c.size)), c.hex);
  }
}

}  // namespace
}  // namespace kivora
