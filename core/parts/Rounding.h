#pragma once
// Rounding as the original program's runtime rounds: halves away from zero.

#include <cmath>
#include <cstdint>

namespace kivora {

inline std::int32_t RoundHalfAway(long double x) {
  return static_cast<std::int32_t>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

}  // namespace kivora
