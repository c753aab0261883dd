#include "core/payload/SetCipher.h"

#include <sodium.h>

#include <algorithm>
#include <new>

#include "core/KivoraError.h"
#include "core/io/LittleEndian.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

static_assert(sizeof(EncryptionParams{}.salt) == crypto_pwhash_SALTBYTES);
static_assert(crypto_kdf_KEYBYTES == 32);
static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == 32);

constexpr std::uint8_t kArgon2id13 = 1;
constexpr std::uint8_t kXChaCha20Poly1305 = 1;
constexpr std::uint8_t kBlockVersion = 1;

// What a definition may demand: at most 1 GiB of memory and 16 passes for the key,
// chunks of 1 KiB to 16 MiB.
constexpr std::uint64_t kMaxOpsLimit = 16;
constexpr std::uint64_t kMaxMemLimit = std::uint64_t{1} << 30;
constexpr std::uint32_t kMinChunk = 1024;
constexpr std::uint32_t kMaxChunk = 16 << 20;

// Subkeys of the Argon2id output, one per use.
constexpr char kKdfContext[crypto_kdf_CONTEXTBYTES + 1] = "KvrSeal1";
constexpr std::uint64_t kChunkKeyId = 1;
constexpr std::uint64_t kCheckValueId = 2;

void StartSodium() {
  if (sodium_init() < 0) throw KivoraError(msg::kCryptoLibraryFailed294);
}

}  // namespace

std::vector<std::uint8_t> EncodeEncryptionBlock(const EncryptionParams& p) {
  std::vector<std::uint8_t> out = {'K', 'V', 'E', kBlockVersion, p.kdf};
  AppendLittleEndian(out, p.opsLimit);
  AppendLittleEndian(out, p.memLimit);
  out.insert(out.end(), p.salt.begin(), p.salt.end());
  out.push_back(p.aead);
  AppendLittleEndian(out, p.chunkSize);
  out.insert(out.end(), p.check.begin(), p.check.end());
  return out;
}

std::optional<EncryptionParams> DecodeEncryptionBlock(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kEncryptionBlockBytes || bytes[0] != 'K' || bytes[1] != 'V' ||
      bytes[2] != 'E' || bytes[3] != kBlockVersion) {
    return std::nullopt;
  }
  EncryptionParams p;
  p.kdf = bytes[4];
  p.opsLimit = LoadLittleEndian<std::uint64_t>(bytes, 5);
  p.memLimit = LoadLittleEndian<std::uint64_t>(bytes, 13);
  std::copy_n(bytes.begin() + 21, p.salt.size(), p.salt.begin());
  p.aead = bytes[37];
  p.chunkSize = LoadLittleEndian<std::uint32_t>(bytes, 38);
  std::copy_n(bytes.begin() + 42, p.check.size(), p.check.begin());
  const bool accepted = p.kdf == kArgon2id13 && p.aead == kXChaCha20Poly1305 &&
                        p.opsLimit >= crypto_pwhash_opslimit_min() && p.opsLimit <= kMaxOpsLimit &&
                        p.memLimit >= crypto_pwhash_memlimit_min() && p.memLimit <= kMaxMemLimit &&
                        p.chunkSize >= kMinChunk && p.chunkSize <= kMaxChunk;
  if (!accepted) return std::nullopt;
  return p;
}

SetCipher SetCipher::ForNewSet(std::string_view password) {
  StartSodium();
  EncryptionParams p;
  p.kdf = kArgon2id13;
  p.opsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
  p.memLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;
  randombytes_buf(p.salt.data(), p.salt.size());
  p.aead = kXChaCha20Poly1305;
  p.chunkSize = kSealedChunkBytes;
  SetCipher cipher(password, p);
  cipher.params_.check = cipher.check_;
  return cipher;
}

SetCipher::SetCipher(std::string_view password, const EncryptionParams& params) : params_(params) {
  StartSodium();
  std::array<std::uint8_t, crypto_kdf_KEYBYTES> master{};
  if (crypto_pwhash(master.data(), master.size(), password.data(), password.size(),
                    params.salt.data(), params.opsLimit, static_cast<size_t>(params.memLimit),
                    crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw std::bad_alloc();  // the only way it fails with accepted parameters
  }
  crypto_kdf_derive_from_key(key_.data(), key_.size(), kChunkKeyId, kKdfContext, master.data());
  crypto_kdf_derive_from_key(check_.data(), check_.size(), kCheckValueId, kKdfContext,
                             master.data());
  sodium_memzero(master.data(), master.size());
}

SetCipher::SetCipher(SetCipher&& other) noexcept
    : params_(other.params_), key_(other.key_), check_(other.check_) {
  sodium_memzero(other.key_.data(), other.key_.size());
}

SetCipher::~SetCipher() { sodium_memzero(key_.data(), key_.size()); }

bool SetCipher::PasswordMatches() const {
  return sodium_memcmp(check_.data(), params_.check.data(), check_.size()) == 0;
}

}  // namespace kivora
