#pragma once
// The payload of a part in an encrypted set: the plain bytes cut into chunks, each
// sealed with XChaCha20-Poly1305 and followed by its 16-byte tag, so a part is read
// and written with bounded memory and opens on its own. A chunk's nonce and associated
// data bind it to its set (the salt), its part, its place in the part and whether it
// is the part's last, so chunks cannot be reordered, cut off at the end, or moved to
// another part or set. Nonces follow from those alone, so sealing the same payload
// again gives the same bytes (a re-split rebuilds a part exactly).

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "core/io/IoBuffer.h"
#include "core/payload/SetCipher.h"
#include "core/threads/HelperThread.h"

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

// Cuts a stream of bytes into the chunks of one payload and runs the complete ones in
// batches, shared with a helper thread when there is one. The sealer and the opener
// are built on it.
class ChunkBatches {
 public:
  struct Chunk {
    std::span<const std::uint8_t> in;
    std::uint64_t index = 0;
    bool last = false;
    size_t outOffset = 0;
    bool ok = true;
    std::uint32_t outCrc = 0;  // CRC-32 of the chunk's output, when `run` keeps it
  };

  // inChunk: input bytes of a whole chunk; growth: output bytes minus input bytes.
  // output, when given, holds the output and outlives this (one buffer for many parts).
  ChunkBatches(std::int64_t total, std::int64_t inChunk, std::int64_t growth, HelperThread* helper,
               IoBuffer* output);
  // Takes the next input bytes and runs `run` on every chunk they complete, writing into
  // the returned output (valid until the next call), in `output` when given. Bytes past
  // the total are ignored.
  std::span<std::uint8_t> Next(std::span<const std::uint8_t> in,
                               const std::function<void(Chunk&, std::uint8_t* out)>& run,
                               IoBuffer* output = nullptr);
  std::int64_t Left() const { return left_; }
  // The chunks the last Next() ran, in order.
  std::span<const Chunk> Chunks() const { return chunks_; }
  bool AllOk() const { return ok_; }

 private:
  void Add(std::span<const std::uint8_t> chunk);

  std::int64_t left_;
  std::int64_t inChunk_;
  std::int64_t growth_;
  HelperThread* helper_;
  std::uint64_t nextIndex_ = 0;
  bool ok_ = true;
  std::vector<std::uint8_t> carry_;  // the start of a chunk that is not complete yet
  std::vector<Chunk> chunks_;
  IoBuffer ownOutput_;
  IoBuffer* out_;
  size_t outLength_ = 0;
};

class PayloadSealer {
 public:
  // With a helper thread the chunks of each call are sealed on two threads; output, when
  // given, is the buffer the sealed bytes are returned in.
  PayloadSealer(const SetCipher& cipher, int partIndex, std::int64_t plainSize,
                HelperThread* helper = nullptr, IoBuffer* output = nullptr);
  // Seals the next plain bytes. Returns the sealed bytes of the chunks they completed,
  // valid until the next call, in output when given. Bytes past plainSize are ignored.
  std::span<const std::uint8_t> Seal(std::span<const std::uint8_t> plain,
                                     IoBuffer* output = nullptr);
  // The last sealed bytes: the empty chunk of an empty payload, nothing otherwise.
  std::span<const std::uint8_t> Finish();
  // CRC-32 of the sealed bytes returned so far, each chunk's taken on the thread that
  // sealed it.
  std::uint32_t SealedCrc() const { return sealedCrc_; }

 private:
  const SetCipher& cipher_;
  std::uint32_t part_;
  std::int64_t plainSize_;
  ChunkBatches batches_;
  bool emptySealed_ = false;
  std::array<std::uint8_t, kSealTagBytes> emptyChunk_{};
  std::uint32_t sealedCrc_ = 0;
};

class PayloadOpener {
 public:
  // sealedSize is the part's stored payload (the record's Size).
  PayloadOpener(const SetCipher& cipher, int partIndex, std::int64_t sealedSize,
                HelperThread* helper = nullptr, IoBuffer* output = nullptr);
  // Opens the next sealed bytes. Returns the plain bytes of the chunks they completed
  // and that proved authentic, valid until the next call, in output when given; nothing
  // once a chunk failed.
  std::span<const std::uint8_t> Open(std::span<const std::uint8_t> sealed,
                                     IoBuffer* output = nullptr);
  // True when every chunk of the payload arrived and proved authentic.
  bool Authentic() const { return valid_ && batches_.AllOk() && batches_.Left() == 0; }

 private:
  const SetCipher& cipher_;
  std::uint32_t part_;
  bool valid_;  // the size is one a payload seals to
  ChunkBatches batches_;
};

}  // namespace kivora
