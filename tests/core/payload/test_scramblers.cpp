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

TEST(BlockScrambler, KnownAnswersWorkedOutByHand) {
  // key "a", 3 bytes: K = "a3" -> halves swapped "3a" -> XOR position -> 32 63.
  // Only K[1] takes part; each byte adds its block offset.
  std::vector<std::uint8_t> data(3, 0);
  ASSERT_TRUE(ScrambleStream(data, "a", 1));
  EXPECT_EQ(Hex(data), "323330");

  // key "ab", 5 bytes: "ab5" is odd -> "ab5a" -> "5aab" -> 34 63 62 66; positions 1..3.
  std::vector<std::uint8_t> five(5, 0);
  ASSERT_TRUE(ScrambleStream(five, "ab", 1));
  EXPECT_EQ(Hex(five), "3462603767");
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

TEST(Scramblers, RoundTripForBothVersions) {
  for (int version : {0, 1}) {
    for (size_t n : {1u, 1023u, 1024u, 1025u, 5000u}) {
      const auto original = test::RandomBytes(n, static_cast<std::uint32_t>(n));
      auto data = original;
      ASSERT_TRUE(ScrambleStream(data, "密碼", version));
      EXPECT_NE(data, original) << "version " << version << " n " << n;
      ASSERT_TRUE(ScrambleStream(data, "密碼", version));
      EXPECT_EQ(data, original) << "version " << version << " n " << n;
    }
  }
}

TEST(Scramblers, LengthEntersTheKey) {
  for (int version : {0, 1}) {
    std::vector<std::uint8_t> a(100, 0), b(101, 0);
    ScrambleStream(a, "key", version);
    ScrambleStream(b, "key", version);
    EXPECT_FALSE(std::equal(a.begin(), a.end(), b.begin())) << version;
  }
}

TEST(Scramblers, CopyAppendsAndMatchesInPlace) {
  const auto payload = test::RandomBytes(2500);
  for (int version : {0, 1}) {
    auto inPlace = payload;
    ScrambleStream(inPlace, "name.png", version);
    std::vector<std::uint8_t> dest = {1, 2, 3};
    ASSERT_TRUE(ScrambleCopy(payload, dest, "name.png", version));
    ASSERT_EQ(dest.size(), 3 + payload.size());
    EXPECT_EQ(std::vector<std::uint8_t>(dest.begin(), dest.begin() + 3),
              (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(std::equal(inPlace.begin(), inPlace.end(), dest.begin() + 3)) << version;
  }
}

TEST(Scramblers, ApplyingInPiecesEqualsWhole) {
  const auto payload = test::RandomBytes(4000);
  auto whole = payload;
  ScrambleStream(whole, "k", 1);
  auto pieces = payload;
  BlockScrambler block("k", pieces.size());
  block.Apply(std::span(pieces).subspan(0, 7));
  block.Apply(std::span(pieces).subspan(7, 1500));
  block.Apply(std::span(pieces).subspan(1507));
  EXPECT_EQ(pieces, whole);

  auto v1whole = payload;
  ScrambleStream(v1whole, "k", 0);
  auto v1pieces = payload;
  GeneratorScrambler gen("k", static_cast<std::int64_t>(v1pieces.size()));
  gen.Apply(std::span(v1pieces).subspan(0, 1030));
  gen.Apply(std::span(v1pieces).subspan(1030));
  EXPECT_EQ(v1pieces, v1whole);
}

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
TEST(GeneratorScrambler, KeyStringsMatchExtendedPrecisionReference) {
  V1State odd;
  EXPECT_EQ(Hex(NextV1Key(odd, "k", 1025)), "540d57");              // "1k0"
  EXPECT_EQ(Hex(NextV1Key(odd, "k", 1025)), "95899f96cb938c9494");  // "1.97k0.98"
  EXPECT_EQ(Hex(NextV1Key(odd, "k", 1025)), "766a77767a7576777f7d7d7a7a707f623c657b6b606067");
  for (int step = 4; step < 10; ++step) NextV1Key(odd, "k", 1025);
  EXPECT_EQ(Hex(NextV1Key(odd, "k", 1025)),
            "2f302e202e2b2e25262120242227263a663f2131313d3837363536383837310408");
  for (int step = 11; step < 100; ++step) NextV1Key(odd, "k", 1025);
  EXPECT_EQ(Hex(NextV1Key(odd, "k", 1025)),
            "baa2b9b3b2babab2b6b1bcb2b6b3b0f5a9b2a5a9aba0ada6a1a1a0a0a4a6a49f");
  for (int step = 101; step < 1000; ++step) NextV1Key(odd, "k", 1025);
  EXPECT_EQ(Hex(NextV1Key(odd, "k", 1025)),
            "7e617870717a737470757e707075726c376e7061616b6e64656f67696460645455");

  // An even last digit of the size swaps the two numbers.
  V1State even;
  EXPECT_EQ(Hex(NextV1Key(even, "k", 1024)), "550d56");              // "0k1"
  EXPECT_EQ(Hex(NextV1Key(even, "k", 1024)), "94899f99cb928c949b");  // "0.98k1.97"
}

TEST(GeneratorScrambler, OneByteWorkedOutByHand) {
  // S = "1k0" mixed to 54 0d 57; byte 0: 0x54 ^ offset 0 ^ (size 1 mod 256).
  std::vector<std::uint8_t> data = {0x00};
  ASSERT_TRUE(ScrambleStream(data, "k", 0));
  EXPECT_EQ(data[0], 0x55);
}

}  // namespace
}  // namespace kivora
