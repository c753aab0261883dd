#pragma once
// The generator scrambler (cipher kind 0), which older sets were written with: a key
// string regenerated for every 1024-byte block from an 80-bit float recurrence.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivora {

// State of the generator scrambler's float recurrence (80-bit extended).
struct V1State {
  long double x = 0;
  long double y = 0;
};

// One step of the recurrence and the key string of one block.
std::string NextV1Key(V1State& state, std::string_view key, std::int64_t totalSize);
// "%g" with 15 significant digits as the generator scrambler prints it.
std::string FormatGeneral15(long double value);

// Generator scrambler (cipher kind 0): a key string regenerated for every 1024-byte block.
class GeneratorScrambler {
 public:
  GeneratorScrambler(std::string key, std::int64_t totalSize);
  void Apply(std::span<std::uint8_t> data);

 private:
  std::string key_;
  std::int64_t total_;
  V1State state_;
  std::string blockKey_;
  std::uint64_t counter_ = 0;  // runs on across blocks
  size_t position_ = 0;        // offset within the current block
};

}  // namespace kivora
