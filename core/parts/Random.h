#pragma once
// The one pseudo-random generator of a split: part sizes and pendant choices.

#include <chrono>
#include <cstdint>
#include <random>

namespace kivora {

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  static Random FromClock() {
    return Random(static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  }
  // A uniform integer from 0 to n - 1 (n >= 1), without modulo bias.
  int Draw(int n) {
    const auto range = static_cast<std::uint64_t>(n);
    const std::uint64_t limit = std::mt19937_64::max() - std::mt19937_64::max() % range;
    std::uint64_t v;
    do v = engine_();
    while (v >= limit);
    return static_cast<int>(v % range);
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace kivora
