#include "core/payload/SealedPayload.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>

#include "core/io/Crc32.h"
#include "core/payload/ChunkCipher.h"

namespace kivora {
namespace {

static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == kSealTagBytes);

constexpr size_t kNonceInput = 16 + 4 + 8;       // salt, part, chunk
constexpr size_t kAssociated = kNonceInput + 1;  // and the last-chunk flag

// Nonce and associated data of one chunk.
struct ChunkBinding {
  std::uint8_t nonce[crypto_aead_xchacha20poly1305_ietf_NPUBBYTES];
  std::uint8_t data[kAssociated];

  ChunkBinding(const EncryptionParams& p, std::uint32_t part, std::uint64_t chunk, bool last) {
    std::copy(p.salt.begin(), p.salt.end(), data);
    for (int i = 0; i < 4; ++i) data[16 + i] = static_cast<std::uint8_t>(part >> (8 * i));
    for (int i = 0; i < 8; ++i) data[20 + i] = static_cast<std::uint8_t>(chunk >> (8 * i));
    data[kNonceInput] = last ? 1 : 0;
    crypto_generichash(nonce, sizeof nonce, data, kNonceInput, nullptr, 0);
  }
};

std::span<const std::uint8_t, kChunkKeyBytes> ChunkKey(const SetCipher& cipher) {
  return cipher.Key().first<kChunkKeyBytes>();
}

std::int64_t SealedChunk(std::uint32_t chunkSize) {
  return std::int64_t{chunkSize} + kSealTagBytes;
}

}  // namespace

std::int64_t SealedSize(std::int64_t plain, std::uint32_t chunkSize) {
  const std::int64_t chunks = plain <= 0 ? 1 : (plain + chunkSize - 1) / chunkSize;
  return std::max<std::int64_t>(plain, 0) + chunks * kSealTagBytes;
}

std::optional<std::int64_t> PlainSize(std::int64_t sealed, std::uint32_t chunkSize) {
  if (sealed < kSealTagBytes || chunkSize == 0) return std::nullopt;
  const std::int64_t chunks = (sealed + SealedChunk(chunkSize) - 1) / SealedChunk(chunkSize);
  const std::int64_t plain = sealed - chunks * kSealTagBytes;
  if (plain < 0 || SealedSize(plain, chunkSize) != sealed) return std::nullopt;
  return plain;
}

ChunkBatches::ChunkBatches(std::int64_t total, std::int64_t inChunk, std::int64_t growth,
                           HelperThread* helper, IoBuffer* output)
    : left_(total),
      inChunk_(inChunk),
      growth_(growth),
      helper_(helper),
      out_(output ? output : &ownOutput_) {}

void ChunkBatches::Add(std::span<const std::uint8_t> chunk) {
  const auto length = static_cast<std::int64_t>(chunk.size());
  chunks_.push_back({chunk, nextIndex_++, length == left_, outLength_});
  outLength_ += static_cast<size_t>(length + growth_);
  left_ -= length;
}

std::span<std::uint8_t> ChunkBatches::Next(std::span<const std::uint8_t> in,
                                           const std::function<void(Chunk&, std::uint8_t*)>& run,
                                           IoBuffer* output) {
  IoBuffer& out = output ? *output : *out_;
  chunks_.clear();
  outLength_ = 0;
  if (!ok_) return {};
  const auto chunkLength = [this] { return static_cast<size_t>(std::min(inChunk_, left_)); };
  bool carryComplete = false;
  if (!carry_.empty() && left_ > 0) {
    const size_t take = std::min(chunkLength() - carry_.size(), in.size());
    carry_.insert(carry_.end(), in.begin(), in.begin() + static_cast<std::ptrdiff_t>(take));
    in = in.subspan(take);
    if (carry_.size() < chunkLength()) return {};
    Add(carry_);
    carryComplete = true;
  }
  while (left_ > 0 && in.size() >= chunkLength()) {
    const size_t n = chunkLength();
    Add(in.first(n));
    in = in.subspan(n);
  }
  if (out.size() < outLength_) out.resize(outLength_);

  // Both threads take the next chunk nobody took yet, until none is left.
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < chunks_.size(); i = next++) {
      run(chunks_[i], out.data() + chunks_[i].outOffset);
    }
  };
  if (helper_ && chunks_.size() > 1) {
    helper_->Offer(work);
    try {
      work();
    } catch (...) {
      helper_->Settle();
      throw;
    }
    helper_->Settle();
  } else {
    work();
  }
  for (const Chunk& c : chunks_) ok_ = ok_ && c.ok;

  if (carryComplete) carry_.clear();
  if (left_ > 0 && !in.empty()) carry_.assign(in.begin(), in.end());
  if (!ok_) return {};
  return {out.data(), outLength_};
}

PayloadSealer::PayloadSealer(const SetCipher& cipher, int partIndex, std::int64_t plainSize,
                             HelperThread* helper, IoBuffer* output)
    : cipher_(cipher),
      part_(static_cast<std::uint32_t>(partIndex)),
      plainSize_(plainSize),
      batches_(plainSize, cipher.Params().chunkSize, kSealTagBytes, helper, output) {}

std::span<const std::uint8_t> PayloadSealer::Seal(std::span<const std::uint8_t> plain,
                                                  IoBuffer* output) {
  const std::span<const std::uint8_t> sealed = batches_.Next(
      plain,
      [this](ChunkBatches::Chunk& c, std::uint8_t* out) {
        const ChunkBinding b(cipher_.Params(), part_, c.index, c.last);
        SealChunk(out, c.in, b.data, b.nonce, ChunkKey(cipher_));
        c.outCrc = Crc32Update(0, {out, c.in.size() + kSealTagBytes});
      },
      output);
  for (const ChunkBatches::Chunk& c : batches_.Chunks()) {
    sealedCrc_ = Crc32Combine(sealedCrc_, c.outCrc, c.in.size() + kSealTagBytes);
  }
  return sealed;
}

std::span<const std::uint8_t> PayloadSealer::Finish() {
  // An empty payload is one empty chunk: its tag alone.
  if (plainSize_ != 0 || emptySealed_) return {};
  emptySealed_ = true;
  const ChunkBinding b(cipher_.Params(), part_, 0, true);
  SealChunk(emptyChunk_.data(), {}, b.data, b.nonce, ChunkKey(cipher_));
  sealedCrc_ = Crc32Update(sealedCrc_, emptyChunk_);
  return emptyChunk_;
}

PayloadOpener::PayloadOpener(const SetCipher& cipher, int partIndex, std::int64_t sealedSize,
                             HelperThread* helper, IoBuffer* output)
    : cipher_(cipher),
      part_(static_cast<std::uint32_t>(partIndex)),
      valid_(PlainSize(sealedSize, cipher.Params().chunkSize).has_value()),
      batches_(valid_ ? sealedSize : 0, std::int64_t{cipher.Params().chunkSize} + kSealTagBytes,
               -kSealTagBytes, helper, output) {}

std::span<const std::uint8_t> PayloadOpener::Open(std::span<const std::uint8_t> sealed,
                                                  IoBuffer* output) {
  if (!valid_) return {};
  return batches_.Next(
      sealed,
      [this](ChunkBatches::Chunk& c, std::uint8_t* out) {
        const ChunkBinding b(cipher_.Params(), part_, c.index, c.last);
        c.ok = OpenChunk(out, c.in, b.data, b.nonce, ChunkKey(cipher_));
      },
      output);
}

}  // namespace kivora
