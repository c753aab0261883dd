#pragma once
// How big each part of a split is, decided part by part from the settings, the random
// generator and the bytes left: fixed parts of the part size, or pairs adding up to two
// part sizes whose first falls short by a random amount, and the last part what is
// left. A source of known size and a stream of the same bytes get the same sizes from
// the same generator, because both are cut by this one rule.

#include <cstdint>
#include <optional>

#include "core/parts/Random.h"
#include "core/parts/SetNames.h"

namespace kivora {

inline constexpr int kMaxPartSizeKb = 32767;
inline constexpr int kMinRandomPartSizeKb = 10;
// The largest source: the most parts of the largest size.
inline constexpr std::int64_t kMaxSourceSize = std::int64_t{kMaxPartCount} * kMaxPartSizeKb * 1024;

// The smallest part size in KB that cuts `total` bytes into at most 32767 parts.
std::int64_t SmallestPartSizeKb(std::int64_t total);

// How many KB a random part of a pair falls short of the part size.
int DrawShortfallKb(int partSizeKb, Random& random);

class PartSizeRule {
 public:
  // Draws from `random`, which must outlive this.
  PartSizeRule(int partSizeKb, bool randomSizes, Random& random);

  // How many bytes left the next decision needs to see: it decides alike for any count
  // of bytes left from this one on.
  std::int64_t LookAhead() const;
  // The next part's size, from the bytes left (all of them, or at least LookAhead() of
  // them when more are left); none when nothing is left. Throws KivoraError when the
  // bytes need more parts than a set holds (153), or more than any set holds (157).
  std::optional<std::int32_t> Next(std::int64_t left);

 private:
  bool SecondOfPair() const;

  int partSizeKb_;
  std::int64_t base_;
  bool random_;
  Random& generator_;
  int index_ = 0;
  std::int64_t previous_ = 0;
  std::int64_t done_ = 0;  // bytes of the parts decided so far
};

}  // namespace kivora
