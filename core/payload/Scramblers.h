#pragma once
// The two XOR scramblers of parts and implanted definitions (obfuscation, not
// encryption: the key is a password or a file name, the keystream repeats). Both are symmetric:
// running one twice with the same key over data of the same length restores it.
// Keys are Big5 bytes (a password or a file name).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivora {

// Block scrambler (cipher kind 1). The key is stretched with the decimal length of the
// whole stream; the keystream of every 1024-byte block is the same, so it is built once.
class BlockScrambler {
 public:
  BlockScrambler(std::string_view key, std::uint64_t totalSize);
  // Scrambles the next bytes of the stream in place; call repeatedly for later pieces.
  void Apply(std::span<std::uint8_t> data);
  const std::array<std::uint8_t, 1024>& Keystream() const { return keystream_; }
  // CRC-32 of the first `length` bytes of the keystream (the XOR mask of a stream of
  // that length). With it the checksum of scrambled data follows from that of the plain
  // data: crc(p ^ k) = crc(p) ^ crc(k) ^ crc(zeros), for equal lengths.
  std::uint32_t KeystreamCrc(std::uint64_t length) const;

 private:
  std::array<std::uint8_t, 1024> keystream_{};
  size_t position_ = 0;  // offset within the current 1024-byte block
};

// Scrambles data in place with the given cipher kind (0 or 1). Returns false for any
// other kind, and for the generator scrambler on empty data; the block scrambler on
// empty data throws KivoraError (1011).
inline constexpr int kGeneratorCipherVersion = 0;
inline constexpr int kBlockCipherVersion = 1;

bool ScrambleStream(std::span<std::uint8_t> data, std::string_view key, int version);
// Scrambles source and appends the result to destination.
bool ScrambleCopy(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination,
                  std::string_view key, int version);
// The generator scrambler from source, appended to destination.
bool ScrambleV1(std::span<const std::uint8_t> source, std::vector<std::uint8_t>& destination,
                std::string_view key);

}  // namespace kivora
