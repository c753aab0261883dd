#include "core/payload/Scramblers.h"

#include <algorithm>
#include <cstring>

#include "core/KivoraError.h"
#include "core/io/Crc32.h"
#include "core/payload/GeneratorScrambler.h"
#include "core/text/Messages.h"

namespace kivora {

namespace {
// out ^= ks over n bytes; the buffers never overlap, which lets the compiler use
// vector registers (this loop is the whole cost of scrambling a part).
void XorInto(std::uint8_t* __restrict out, const std::uint8_t* __restrict ks, size_t n) {
  for (size_t i = 0; i < n; ++i) out[i] ^= ks[i];
}
}  // namespace

BlockScrambler::BlockScrambler(std::string_view key, std::uint64_t totalSize) {
  // K = key + decimal size; odd length gets its first character once more.
  std::string k(key);
  k += std::to_string(totalSize);
  if (k.size() % 2 == 1) k += k[0];
  // Swap the halves, then XOR each character with its 1-based position.
  const size_t len = k.size();
  const size_t half = len / 2;
  std::rotate(k.begin(), k.begin() + static_cast<std::ptrdiff_t>(half), k.end());
  for (size_t i = len; i >= 1; --i) k[i - 1] = static_cast<char>(k[i - 1] ^ (i & 0xFF));
  // Within a block the key position runs 1..len-1 and wraps; the last character is
  // never used. With it the block offset is mixed in.
  const size_t period = len - 1;
  for (size_t j = 0; j < keystream_.size(); ++j) {
    keystream_[j] = static_cast<std::uint8_t>(k[j % period] ^ (j & 0xFF));
  }
}

void BlockScrambler::Apply(std::span<std::uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const size_t n = std::min(data.size() - done, keystream_.size() - position_);
    XorInto(data.data() + done, keystream_.data() + position_, n);
    done += n;
    position_ = (position_ + n) % keystream_.size();
  }
}

std::uint32_t BlockScrambler::KeystreamCrc(std::uint64_t length) const {
  const std::uint64_t blockLength = keystream_.size();
  // The mask is whole keystream blocks then a prefix: combine block checksums by doubling.
  std::uint32_t whole = 0;
  std::uint32_t power = StreamCrc32(keystream_);
  std::uint64_t powerLength = blockLength;
  for (std::uint64_t blocks = length / blockLength; blocks != 0; blocks >>= 1) {
    if (blocks & 1) whole = Crc32Combine(whole, power, powerLength);
    power = Crc32Combine(power, power, powerLength);
    powerLength *= 2;
  }
  const size_t rest = static_cast<size_t>(length % blockLength);
  return Crc32Combine(whole, StreamCrc32(std::span(keystream_).first(rest)), rest);
}

GeneratorScrambler::GeneratorScrambler(std::string key, std::int64_t totalSize)
    : key_(std::move(key)), total_(totalSize) {}

void GeneratorScrambler::Apply(std::span<std::uint8_t> data) {
  for (std::uint8_t& byte : data) {
    if (position_ == 0) blockKey_ = NextV1Key(state_, key_, total_);
    const auto s = static_cast<std::uint8_t>(blockKey_[counter_ % blockKey_.size()]);
    // b counts down from the total size, restarting with every block.
    const auto b = static_cast<std::uint64_t>(total_) - position_;
    byte = static_cast<std::uint8_t>(byte ^ s ^ (position_ & 0xFF) ^ (b & 0xFF));
    ++counter_;
    position_ = (position_ + 1) % 1024;
  }
}

bool ScrambleStream(std::span<std::uint8_t> data, std::string_view key, int version) {
  if (version == kGeneratorCipherVersion) {
    if (data.empty()) return false;
    GeneratorScrambler(std::string(key), static_cast<std::int64_t>(data.size())).Apply(data);
    return true;
  }
  if (version != kBlockCipherVersion) return false;
  if (data.empty()) throw KivoraError(msg::kTargetStreamReadError1011);
  BlockScrambler(key, data.size()).Apply(data);
  return true;
}

bool ScrambleCopy(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination,
                  std::string_view key, int version) {
  if (version == kGeneratorCipherVersion) return ScrambleV1(source, destination, key);
  if (source.empty()) throw KivoraError(msg::kTargetStreamReadError1011);
  const size_t start = destination.size();
  destination.insert(destination.end(), source.begin(), source.end());
  BlockScrambler(key, source.size()).Apply(std::span(destination).subspan(start));
  return true;
}

bool ScrambleV1(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination,
                std::string_view key) {
  if (source.empty()) return false;
  const size_t start = destination.size();
  destination.insert(destination.end(), source.begin(), source.end());
  GeneratorScrambler(std::string(key), static_cast<std::int64_t>(source.size()))
      .Apply(std::span(destination).subspan(start));
  return true;
}

}  // namespace kivora
