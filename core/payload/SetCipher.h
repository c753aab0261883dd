#pragma once
// The key of an encrypted set: derived from the password with Argon2id and the set's
// own random salt, and proved by a check value before anything is written. The
// parameters travel in the definition as a block behind the last part record.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/payload/EncryptionParams.h"

namespace kivora {

// Plain bytes per sealed chunk of the sets written here.
inline constexpr std::uint32_t kSealedChunkBytes = 64 * 1024;
// Bytes of the block that carries EncryptionParams in a definition.
inline constexpr size_t kEncryptionBlockBytes = 74;

// The block as it is stored behind the part records.
std::vector<std::uint8_t> EncodeEncryptionBlock(const EncryptionParams& params);
// Reads the block at the start of `bytes` (what follows the last part record). Empty
// optional when it is missing, of another version, or names an algorithm or a limit
// this program does not accept (the limits bound the memory and time a definition can
// demand).
std::optional<EncryptionParams> DecodeEncryptionBlock(std::span<const std::uint8_t> bytes);

class SetCipher {
 public:
  // Parameters of a new set: a fresh random salt, today's limits, and the check value
  // of the password; with the cipher that seals its parts.
  static SetCipher ForNewSet(std::string_view password);
  // Derives the key of an existing set. Throws std::bad_alloc when the memory the
  // derivation needs is not there.
  SetCipher(std::string_view password, const EncryptionParams& params);
  ~SetCipher();
  SetCipher(const SetCipher&) = delete;
  SetCipher& operator=(const SetCipher&) = delete;
  SetCipher(SetCipher&& other) noexcept;
  SetCipher& operator=(SetCipher&&) = delete;

  // True when the password derived the key the set was sealed with.
  bool PasswordMatches() const;
  const EncryptionParams& Params() const { return params_; }
  const std::array<std::uint8_t, 32>& Key() const { return key_; }

 private:
  EncryptionParams params_;
  std::array<std::uint8_t, 32> key_{};    // seals the chunks
  std::array<std::uint8_t, 32> check_{};  // what the definition's check value must be
};

}  // namespace kivora
