#include "core/operations/StreamPartSizes.h"

#include <algorithm>

#include "core/KivoraError.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {

StreamPartSizes::StreamPartSizes(const SplitRequest& s, Random random)
    : partSizeKb_(s.partSizeKb),
      base_(std::int64_t{s.partSizeKb} * 1024),
      random_(s.randomSizes),
      generator_(random) {
  CheckPartSizeSettings(s);
}

std::optional<std::int32_t> StreamPartSizes::Next(StreamSource& source) {
  if (source.Fill(1) == 0) return std::nullopt;
  if (index_ == kMaxPartCount) {
    const std::int64_t seen = source.Consumed() + source.Fill(base_ + 1);
    if (seen > kMaxSourceSize) {
      throw KivoraError(msg::kSourceTooLarge157(GroupThousands(kMaxSourceSize)));
    }
    throw KivoraError(msg::kTooManyParts(static_cast<int>(SmallestPartSizeKb(seen))));
  }
  std::int64_t size = base_;
  if (random_ && index_ % 2 == 1) {
    size = 2 * base_ - previous_;  // a pair adds up to two part sizes
  } else if (random_ && source.Fill(base_ + 1) > base_) {
    // More than a part size is left, so this is not the last part and draws its size.
    size = base_ - std::int64_t{DrawShortfallKb(partSizeKb_, generator_)} * 1024;
  }
  size = std::min(size, source.Fill(size));  // the last part: what is left
  source.Release(size);
  previous_ = size;
  ++index_;
  return static_cast<std::int32_t>(size);
}

}  // namespace kivora
