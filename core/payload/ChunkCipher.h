#pragma once
// XChaCha20-Poly1305 (IETF) of one chunk, byte for byte as libsodium's
// crypto_aead_xchacha20poly1305_ietf_*, at OpenSSL's speed: HChaCha20 of the key and the
// nonce's first 16 bytes gives a subkey, which seals with the IETF ChaCha20-Poly1305
// under the nonce's last 8 bytes (behind four zero bytes).

#include <cstdint>
#include <span>

namespace kivora {

inline constexpr size_t kChunkNonceBytes = 24;
inline constexpr size_t kChunkKeyBytes = 32;
inline constexpr size_t kChunkTagBytes = 16;

// Writes the sealed chunk, plain.size() + kChunkTagBytes bytes, to out.
void SealChunk(std::uint8_t* out, std::span<const std::uint8_t> plain,
               std::span<const std::uint8_t> associated,
               std::span<const std::uint8_t, kChunkNonceBytes> nonce,
               std::span<const std::uint8_t, kChunkKeyBytes> key);

// Opens a sealed chunk into out (sealed.size() - kChunkTagBytes bytes). False, with
// out wiped, when the tag does not prove the chunk, its associated data, nonce and key.
bool OpenChunk(std::uint8_t* out, std::span<const std::uint8_t> sealed,
               std::span<const std::uint8_t> associated,
               std::span<const std::uint8_t, kChunkNonceBytes> nonce,
               std::span<const std::uint8_t, kChunkKeyBytes> key);

}  // namespace kivora
