#pragma once
// CRC-32s of the stripes of recovery-coded files: what a recovery part records of every
// file of its group, so that a repair can tell which stripes of a damaged file are bad.

#include <cstdint>
#include <span>
#include <vector>

namespace kivora {

// The CRC-32s of a file's consecutive blocks of kRecoveryStripeUnit bytes, taken as its
// bytes come; the CRC-32 of any run of whole blocks follows from them without reading
// the bytes again.
class BlockCrcs {
 public:
  void Add(std::span<const std::uint8_t> bytes);
  std::uint64_t Length() const { return length_; }
  // One CRC-32 per stripe of `stripeLength` bytes, a multiple of the block length.
  std::vector<std::uint32_t> Stripes(std::uint64_t stripeLength) const;
  std::uint32_t Whole() const;

 private:
  std::vector<std::uint32_t> blocks_;  // the last may be short
  std::uint64_t length_ = 0;
};

// One CRC-32 per stripe of `stripeLength` bytes of `bytes`.
std::vector<std::uint32_t> StripeCrcs(std::span<const std::uint8_t> bytes,
                                      std::uint64_t stripeLength);

}  // namespace kivora
