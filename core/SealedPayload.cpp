#include "core/SealedPayload.h"

#include <sodium.h>

#include <algorithm>

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

PayloadSealer::PayloadSealer(const SetCipher& cipher, int partIndex, std::int64_t plainSize)
    : cipher_(cipher), part_(static_cast<std::uint32_t>(partIndex)), plainLeft_(plainSize) {}

void PayloadSealer::SealChunk(std::span<const std::uint8_t> chunk) {
  const bool last = static_cast<std::int64_t>(chunk.size()) == plainLeft_;
  const ChunkBinding b(cipher_.Params(), part_, chunk_++, last);
  const size_t need = outLength_ + chunk.size() + kSealTagBytes;
  if (out_.size() < need) out_.resize(need);
  unsigned long long written = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(out_.data() + outLength_, &written, chunk.data(),
                                             chunk.size(), b.data, sizeof b.data, nullptr, b.nonce,
                                             cipher_.Key().data());
  outLength_ += static_cast<size_t>(written);
  plainLeft_ -= static_cast<std::int64_t>(chunk.size());
}

std::span<const std::uint8_t> PayloadSealer::Seal(std::span<const std::uint8_t> plain) {
  outLength_ = 0;
  const size_t chunkSize = cipher_.Params().chunkSize;
  while (!plain.empty() && plainLeft_ > 0) {
    const auto chunkLength = static_cast<size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(chunkSize), plainLeft_));
    if (pending_.empty() && plain.size() >= chunkLength) {
      SealChunk(plain.first(chunkLength));
      plain = plain.subspan(chunkLength);
      continue;
    }
    const size_t take = std::min(chunkLength - pending_.size(), plain.size());
    pending_.insert(pending_.end(), plain.begin(),
                    plain.begin() + static_cast<std::ptrdiff_t>(take));
    plain = plain.subspan(take);
    if (pending_.size() == chunkLength) {
      SealChunk(pending_);
      pending_.clear();
    }
  }
  return {out_.data(), outLength_};
}

std::span<const std::uint8_t> PayloadSealer::Finish() {
  outLength_ = 0;
  if (chunk_ == 0 && plainLeft_ == 0) SealChunk({});
  return {out_.data(), outLength_};
}

PayloadOpener::PayloadOpener(const SetCipher& cipher, int partIndex, std::int64_t sealedSize)
    : cipher_(cipher), part_(static_cast<std::uint32_t>(partIndex)), sealedLeft_(sealedSize) {
  failed_ = !PlainSize(sealedSize, cipher.Params().chunkSize);
}

bool PayloadOpener::OpenChunk(std::span<const std::uint8_t> chunk) {
  const bool last = static_cast<std::int64_t>(chunk.size()) == sealedLeft_;
  const ChunkBinding b(cipher_.Params(), part_, chunk_++, last);
  const size_t need = outLength_ + chunk.size();
  if (out_.size() < need) out_.resize(need);
  unsigned long long opened = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(out_.data() + outLength_, &opened, nullptr,
                                                 chunk.data(), chunk.size(), b.data, sizeof b.data,
                                                 b.nonce, cipher_.Key().data()) != 0) {
    failed_ = true;
    return false;
  }
  outLength_ += static_cast<size_t>(opened);
  sealedLeft_ -= static_cast<std::int64_t>(chunk.size());
  return true;
}

std::span<const std::uint8_t> PayloadOpener::Open(std::span<const std::uint8_t> sealed) {
  outLength_ = 0;
  const auto sealedChunk = static_cast<std::int64_t>(cipher_.Params().chunkSize) + kSealTagBytes;
  while (!failed_ && !sealed.empty() && sealedLeft_ > 0) {
    const auto chunkLength = static_cast<size_t>(std::min(sealedChunk, sealedLeft_));
    if (pending_.empty() && sealed.size() >= chunkLength) {
      if (!OpenChunk(sealed.first(chunkLength))) break;
      sealed = sealed.subspan(chunkLength);
      continue;
    }
    const size_t take = std::min(chunkLength - pending_.size(), sealed.size());
    pending_.insert(pending_.end(), sealed.begin(),
                    sealed.begin() + static_cast<std::ptrdiff_t>(take));
    sealed = sealed.subspan(take);
    if (pending_.size() == chunkLength) {
      if (!OpenChunk(pending_)) break;
      pending_.clear();
    }
  }
  if (failed_) return {};
  return {out_.data(), outLength_};
}

}  // namespace kivora
