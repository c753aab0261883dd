#pragma once
// The payload of a part in an encrypted set: the plain bytes cut into chunks, each
// sealed with XChaCha20-Poly1305 and followed by its 16-byte tag, so a part is read
// and written with bounded memory and opens on its own. A chunk's nonce and associated
// data bind it to its set (the salt), its part, its place in the part and whether it
// is the part's last, so chunks cannot be reordered, cut off at the end, or moved to
// another part or set. Nonces follow from those alone, so sealing the same payload
// again gives the same bytes (a re-split rebuilds a part exactly).

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/SetCipher.h"

namespace kivora {

inline constexpr std::int64_t kSealTagBytes = 16;

// Bytes stored for `plain` payload bytes: every chunk gains its tag; an empty payload
// is one empty chunk.
std::int64_t SealedSize(std::int64_t plain, std::uint32_t chunkSize);
// The plain bytes inside `sealed` stored bytes; empty when no payload seals to that size.
std::optional<std::int64_t> PlainSize(std::int64_t sealed, std::uint32_t chunkSize);

// The Crc a definition records for a sealed payload, from the CRC-32 of its bytes as
// stored: the complement, so that a reader that knows only the older cipher kinds,
// which would take a plain part whose CRC-32 matches for source data, finds a mismatch.
inline std::uint32_t SealedRecordCrc(std::uint32_t storedCrc) { return ~storedCrc; }

class PayloadSealer {
 public:
  PayloadSealer(const SetCipher& cipher, int partIndex, std::int64_t plainSize);
  // Seals the next plain bytes. Returns the sealed bytes of the chunks they completed,
  // valid until the next call. Bytes past plainSize are ignored.
  std::span<const std::uint8_t> Seal(std::span<const std::uint8_t> plain);
  // The last sealed bytes: the empty chunk of an empty payload, nothing otherwise.
  std::span<const std::uint8_t> Finish();

 private:
  void SealChunk(std::span<const std::uint8_t> chunk);

  const SetCipher& cipher_;
  std::uint32_t part_;
  std::uint64_t chunk_ = 0;  // index of the next chunk
  std::int64_t plainLeft_;   // plain bytes not sealed yet
  std::vector<std::uint8_t> pending_;
  std::vector<std::uint8_t> out_;
  size_t outLength_ = 0;
};

class PayloadOpener {
 public:
  // sealedSize is the part's stored payload (the record's Size).
  PayloadOpener(const SetCipher& cipher, int partIndex, std::int64_t sealedSize);
  // Opens the next sealed bytes. Returns the plain bytes of the chunks they completed
  // and that proved authentic, valid until the next call; nothing once a chunk failed.
  std::span<const std::uint8_t> Open(std::span<const std::uint8_t> sealed);
  // True when every chunk of the payload arrived and proved authentic.
  bool Authentic() const { return !failed_ && sealedLeft_ == 0; }

 private:
  bool OpenChunk(std::span<const std::uint8_t> chunk);

  const SetCipher& cipher_;
  std::uint32_t part_;
  std::uint64_t chunk_ = 0;
  std::int64_t sealedLeft_;
  bool failed_ = false;
  std::vector<std::uint8_t> pending_;
  std::vector<std::uint8_t> out_;
  size_t outLength_ = 0;
};

}  // namespace kivora
