#include "core/parts/PartSizeRule.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {

std::int64_t SmallestPartSizeKb(std::int64_t total) {
  const std::int64_t perKb = std::int64_t{kMaxPartCount} * 1024;
  return std::max<std::int64_t>(1, (total + perKb - 1) / perKb);
}

int DrawShortfallKb(int partSizeKb, Random& random) {
  if (partSizeKb < 100) return random.Draw(10);
  const int r = random.Draw(100);
  return r < 10 ? r * 10 : r;
}

PartSizeRule::PartSizeRule(int partSizeKb, bool randomSizes, Random& random)
    : partSizeKb_(partSizeKb),
      base_(std::int64_t{partSizeKb} * 1024),
      random_(randomSizes),
      generator_(random) {}

bool PartSizeRule::SecondOfPair() const { return random_ && index_ % 2 == 1; }

std::int64_t PartSizeRule::LookAhead() const {
  // The second part of a pair takes what its first left of two part sizes; any other
  // part needs to know whether more than a part size is left.
  return SecondOfPair() ? std::max(base_ + 1, 2 * base_ - previous_) : base_ + 1;
}

std::optional<std::int32_t> PartSizeRule::Next(std::int64_t left) {
  if (left <= 0) return std::nullopt;
  if (index_ == kMaxPartCount) {
    const std::int64_t seen = done_ + std::min(left, base_ + 1);
    if (seen > kMaxSourceSize) {
      throw KivoraError(msg::kSourceTooLarge157(GroupThousands(kMaxSourceSize)));
    }
    throw KivoraError(msg::kTooManyParts(static_cast<int>(SmallestPartSizeKb(seen))));
  }
  std::int64_t size = base_;
  if (SecondOfPair()) {
    size = 2 * base_ - previous_;  // a pair adds up to two part sizes
  } else if (random_ && left > base_) {
    // More than a part size is left, so this is not the last part and draws its size.
    size = base_ - std::int64_t{DrawShortfallKb(partSizeKb_, generator_)} * 1024;
  }
  size = std::min(size, left);  // the last part: what is left
  previous_ = size;
  done_ += size;
  ++index_;
  return static_cast<std::int32_t>(size);
}

}  // namespace kivora
