#pragma once
// The settings an encrypted set is sealed with.

#include <array>
#include <cstdint>

namespace kivora {

// How an encrypted set derives its key and seals its parts. Stored in the definition
// behind the last part record, where readers of the older cipher kinds never look.
struct EncryptionParams {
  std::uint8_t kdf = 1;  // 1: Argon2id v1.3
  std::uint64_t opsLimit = 0;
  std::uint64_t memLimit = 0;  // bytes
  std::array<std::uint8_t, 16> salt{};
  std::uint8_t aead = 1;                 // 1: XChaCha20-Poly1305 (IETF)
  std::uint32_t chunkSize = 0;           // plain bytes per sealed chunk
  std::array<std::uint8_t, 32> check{};  // proves a password before anything is written

  bool operator==(const EncryptionParams&) const = default;
};

}  // namespace kivora
