#include "core/recovery/StripeCrcs.h"

#include <algorithm>

#include "core/format/RecoveryFormat.h"
#include "core/io/Crc32.h"

namespace kivora {

void BlockCrcs::Add(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::uint64_t inBlock = length_ % kRecoveryStripeUnit;
    if (inBlock == 0) blocks_.push_back(0);
    const auto take = static_cast<std::size_t>(
        std::min<std::uint64_t>(bytes.size(), kRecoveryStripeUnit - inBlock));
    blocks_.back() = Crc32Update(blocks_.back(), bytes.first(take));
    length_ += take;
    bytes = bytes.subspan(take);
  }
}

std::vector<std::uint32_t> BlockCrcs::Stripes(std::uint64_t stripeLength) const {
  const std::uint64_t perStripe = stripeLength / kRecoveryStripeUnit;
  std::vector<std::uint32_t> stripes;
  for (std::size_t b = 0; b < blocks_.size(); ++b) {
    const std::uint64_t blockLength =
        std::min(kRecoveryStripeUnit, length_ - b * kRecoveryStripeUnit);
    if (b % perStripe == 0) {
      stripes.push_back(blocks_[b]);
    } else {
      stripes.back() = Crc32Combine(stripes.back(), blocks_[b], blockLength);
    }
  }
  return stripes;
}

std::uint32_t BlockCrcs::Whole() const {
  const std::vector<std::uint32_t> whole =
      Stripes(StripeCount(length_, kRecoveryStripeUnit) * kRecoveryStripeUnit);
  return whole.empty() ? 0 : whole.front();
}

std::vector<std::uint32_t> StripeCrcs(std::span<const std::uint8_t> bytes,
                                      std::uint64_t stripeLength) {
  std::vector<std::uint32_t> crcs;
  for (std::uint64_t offset = 0; offset < bytes.size(); offset += stripeLength) {
    crcs.push_back(StreamCrc32(bytes.subspan(
        offset,
        static_cast<std::size_t>(std::min<std::uint64_t>(stripeLength, bytes.size() - offset)))));
  }
  return crcs;
}

}  // namespace kivora
