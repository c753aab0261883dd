#include "core/io/Crc32.h"

#include <isa-l/crc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/io/File.h"
#include "core/io/IoBuffer.h"

namespace kivora {

std::uint32_t Crc32Update(std::uint32_t crc, std::span<const std::uint8_t> data) {
  // ISA-L folds with carry-less multiplies over wide registers: about four times the
  // speed of libdeflate's CRC-32 here, and the same function (its init and result are zlib's).
  if (data.empty()) return crc;
  return crc32_gzip_refl(crc, data.data(), data.size());
}

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320;

// a * b modulo the CRC polynomial, in the reflected bit order of the CRC register.
constexpr std::uint32_t MultModP(std::uint32_t a, std::uint32_t b) {
  std::uint32_t m = 1u << 31;
  std::uint32_t p = 0;
  for (;;) {
    if (a & m) {
      p ^= b;
      if ((a & (m - 1)) == 0) break;
    }
    m >>= 1;
    b = (b & 1) ? (b >> 1) ^ kPolynomial : b >> 1;
  }
  return p;
}

// x^(8 * 2^k) modulo the polynomial for k = 0..63, by squaring x^8.
constexpr std::array<std::uint32_t, 64> PowersOfX() {
  std::array<std::uint32_t, 64> table{};
  std::uint32_t power = 1u << 30;  // x^1
  for (int k = 0; k < 3; ++k) power = MultModP(power, power);
  for (auto& entry : table) {
    entry = power;
    power = MultModP(power, power);
  }
  return table;
}
constexpr std::array<std::uint32_t, 64> kPowersOfX = PowersOfX();

// x^(8 * n) modulo the polynomial: one product per bit set in n.
std::uint32_t XPow8nModP(std::uint64_t n) {
  std::uint32_t p = 1u << 31;  // x^0
  for (int k = 0; n != 0; n >>= 1, ++k) {
    if (n & 1) p = MultModP(kPowersOfX[static_cast<size_t>(k)], p);
  }
  return p;
}

}  // namespace

std::uint32_t Crc32Combine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB) {
  return MultModP(XPow8nModP(lengthB), crcA) ^ crcB;
}

std::uint32_t Crc32OfZeros(std::uint64_t length) {
  // The register starts at all ones; zeros only shift it.
  return MultModP(XPow8nModP(length), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
}

std::uint32_t StreamCrc32(std::span<const std::uint8_t> data) { return Crc32Update(0, data); }

std::uint32_t FileCrc32(const std::filesystem::path& path) {
  File file = File::OpenRead(path);  // throws when it cannot be opened
  IoBuffer buffer;
  std::uint32_t crc = 0;
  try {
    // Small files (definitions) need no 1 MiB buffer; a file that grows is still read whole.
    buffer.resize(static_cast<size_t>(std::clamp<std::int64_t>(file.Size(), 1, 1 << 20)));
    for (;;) {
      const size_t n = file.Read(buffer);
      if (n == 0) break;
      crc = Crc32Update(crc, std::span(buffer.data(), n));
    }
  } catch (const KivoraError&) {
    return 0;  // content that cannot be read counts as empty
  }
  return crc;
}

}  // namespace kivora
