#pragma once
// Rounding to the nearest integer with halves away from zero (2.5 to 3, -2.5 to -3): the
// rule by which part sizes are computed.

#include <cmath>
#include <cstdint>

namespace kivora {

inline std::int32_t RoundHalfAway(long double x) {
  return static_cast<std::int32_t>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

}  // namespace kivora
