#pragma once
// The settings an encrypted set is sealed with.

#include <array>
#include <cstdint>

namespace kivora {

// The memory and passes one key derivation costs: what each guess at a password costs.
struct KeyCost {
  std::uint64_t opsLimit = 0;
  std::uint64_t memLimit = 0;  // bytes
};
// New sets: Argon2id with 256 MiB and 3 passes (libsodium's MODERATE limits).
inline constexpr KeyCost kNewSetKeyCost{3, std::uint64_t{256} << 20};

// How an encrypted set derives its key and seals its parts. Stored in the definition
// behind the last part record, where readers of the older cipher kinds never look.
struct EncryptionParams {
  // 1: the definition is not authenticated; 2: `mac` proves every byte before it.
  std::uint8_t version = 2;
  std::uint8_t kdf = 1;  // 1: Argon2id v1.3
  std::uint64_t opsLimit = 0;
  std::uint64_t memLimit = 0;  // bytes
  std::array<std::uint8_t, 16> salt{};
  std::uint8_t aead = 1;                 // 1: XChaCha20-Poly1305 (IETF)
  std::uint32_t chunkSize = 0;           // plain bytes per sealed chunk
  std::array<std::uint8_t, 32> check{};  // proves a password before anything is written
  std::array<std::uint8_t, 32> mac{};    // version 2: keyed BLAKE2b of the definition before it

  bool operator==(const EncryptionParams&) const = default;
};

}  // namespace kivora
