#pragma once
// The key of an encrypted set: derived from the password with Argon2id and the set's
// own random salt, and proved by a check value before anything is written. From it
// come the key that seals the parts and, from block version 2 on, the key of the MAC
// that proves the whole definition. The parameters travel in the definition as a block
// behind the last part record.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/payload/EncryptionParams.h"
#include "core/payload/SecretText.h"

namespace kivora {

// Plain bytes per sealed chunk of the sets written here.
inline constexpr std::uint32_t kSealedChunkBytes = 64 * 1024;
// Bytes of the block that carries EncryptionParams in a definition: version 1, and
// version 2 with its MAC at the end.
inline constexpr size_t kEncryptionBlockBytes = 74;
inline constexpr size_t kDefinitionMacBytes = 32;
inline constexpr size_t kAuthenticatedBlockBytes = kEncryptionBlockBytes + kDefinitionMacBytes;

// The block as it is stored behind the part records.
std::vector<std::uint8_t> EncodeEncryptionBlock(const EncryptionParams& params);
// Reads the block that `bytes` (what follows the last part record) holds. Empty
// optional when it is missing, of another version, names an algorithm or a limit this
// program does not accept (the limits bound the memory and time a definition can
// demand), or, in version 2, does not end the definition.
std::optional<EncryptionParams> DecodeEncryptionBlock(std::span<const std::uint8_t> bytes);

// The password as the key derivation of a version-2 set takes it: its UTF-8 bytes in
// Unicode normalisation form C, so that the same password typed on any system opens
// the set. Throws KivoraError when the text is not UTF-8.
SecretText NormalizedPassword(std::string_view utf8);

class SetCipher {
 public:
  // Parameters of a new set: a fresh random salt, the given cost of the key, the check
  // value of the password; with the cipher that seals its parts and signs its definition.
  static SetCipher ForNewSet(const SecretText& password, KeyCost cost = kNewSetKeyCost);
  // Derives the keys of an existing set. Throws std::bad_alloc when the memory the
  // derivation needs is not there.
  SetCipher(const SecretText& password, const EncryptionParams& params);
  SetCipher(SetCipher&&) noexcept = default;
  SetCipher& operator=(SetCipher&&) noexcept = default;

  // True when the password derived the key the set was sealed with.
  bool PasswordMatches() const;
  // True when the definition carries a MAC (block version 2).
  bool AuthenticatesDefinition() const { return params_.version >= 2; }
  // Writes the MAC into the last kDefinitionMacBytes of the encoded definition, over
  // every byte before them.
  void SignDefinition(std::span<std::uint8_t> definition) const;
  // True when the definition's last kDefinitionMacBytes are the MAC of the rest (compared
  // in constant time).
  bool DefinitionAuthentic(std::span<const std::uint8_t> definition) const;

  const EncryptionParams& Params() const { return params_; }
  // The 32-byte key of the XChaCha20-Poly1305 chunks.
  std::span<const std::uint8_t> Key() const { return key_.Bytes(); }

 private:
  std::array<std::uint8_t, kDefinitionMacBytes> MacOf(
      std::span<const std::uint8_t> signedBytes) const;

  EncryptionParams params_;
  SecretText key_;     // seals the chunks
  SecretText check_;   // what the definition's check value must be
  SecretText macKey_;  // signs the definition (version 2)
};

}  // namespace kivora
