#include "core/payload/SetCipher.h"

#include <sodium.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>

#include <algorithm>
#include <new>

#include "core/KivoraError.h"
#include "core/io/LittleEndian.h"
#include "core/text/Messages.h"
#include "core/text/Utf8.h"

namespace kivora {
namespace {

static_assert(sizeof(EncryptionParams{}.salt) == crypto_pwhash_SALTBYTES);
static_assert(crypto_kdf_KEYBYTES == 32);
static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == 32);
static_assert(crypto_pwhash_OPSLIMIT_MODERATE == 3 &&
              crypto_pwhash_MEMLIMIT_MODERATE == kNewSetKeyCost.memLimit);

constexpr std::uint8_t kArgon2id13 = 1;
constexpr std::uint8_t kXChaCha20Poly1305 = 1;
constexpr std::uint8_t kUnsignedBlock = 1;
constexpr std::uint8_t kSignedBlock = 2;

// What a definition may demand: at most 1 GiB of memory and 16 passes for the key,
// chunks of 1 KiB to 16 MiB.
constexpr std::uint64_t kMaxOpsLimit = 16;
constexpr std::uint64_t kMaxMemLimit = std::uint64_t{1} << 30;
constexpr std::uint32_t kMinChunk = 1024;
constexpr std::uint32_t kMaxChunk = 16 << 20;

// Subkeys of the Argon2id output, one per use. Each block version has its own context,
// so a version-2 definition relabelled as version 1 (to drop its MAC) no longer proves
// the password.
constexpr char kUnsignedContext[crypto_kdf_CONTEXTBYTES + 1] = "KvrSeal1";
constexpr char kSignedContext[crypto_kdf_CONTEXTBYTES + 1] = "KvrSeal2";
constexpr std::uint64_t kChunkKeyId = 1;
constexpr std::uint64_t kCheckValueId = 2;
constexpr std::uint64_t kMacKeyId = 3;

void StartSodium() {
  if (sodium_init() < 0) throw KivoraError(msg::kCryptoLibraryFailed294);
}

SecretText Subkey(std::uint64_t id, const char* context, const SecretText& master) {
  SecretText key = SecretText::OfSize(32);
  crypto_kdf_derive_from_key(key.Bytes().data(), 32, id, context, master.Bytes().data());
  return key;
}

}  // namespace

std::vector<std::uint8_t> EncodeEncryptionBlock(const EncryptionParams& p) {
  std::vector<std::uint8_t> out = {'K', 'V', 'E', p.version, p.kdf};
  AppendLittleEndian(out, p.opsLimit);
  AppendLittleEndian(out, p.memLimit);
  out.insert(out.end(), p.salt.begin(), p.salt.end());
  out.push_back(p.aead);
  AppendLittleEndian(out, p.chunkSize);
  out.insert(out.end(), p.check.begin(), p.check.end());
  if (p.version >= kSignedBlock) out.insert(out.end(), p.mac.begin(), p.mac.end());
  return out;
}

std::optional<EncryptionParams> DecodeEncryptionBlock(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kEncryptionBlockBytes || bytes[0] != 'K' || bytes[1] != 'V' ||
      bytes[2] != 'E') {
    return std::nullopt;
  }
  EncryptionParams p;
  p.version = bytes[3];
  // Version 2 ends the definition with its MAC: nothing may follow unproved.
  if (p.version == kSignedBlock && bytes.size() != kAuthenticatedBlockBytes) return std::nullopt;
  if (p.version != kUnsignedBlock && p.version != kSignedBlock) return std::nullopt;
  p.kdf = bytes[4];
  p.opsLimit = LoadLittleEndian<std::uint64_t>(bytes, 5);
  p.memLimit = LoadLittleEndian<std::uint64_t>(bytes, 13);
  std::copy_n(bytes.begin() + 21, p.salt.size(), p.salt.begin());
  p.aead = bytes[37];
  p.chunkSize = LoadLittleEndian<std::uint32_t>(bytes, 38);
  std::copy_n(bytes.begin() + 42, p.check.size(), p.check.begin());
  if (p.version == kSignedBlock) {
    std::copy_n(bytes.begin() + kEncryptionBlockBytes, p.mac.size(), p.mac.begin());
  }
  const bool accepted = p.kdf == kArgon2id13 && p.aead == kXChaCha20Poly1305 &&
                        p.opsLimit >= crypto_pwhash_opslimit_min() && p.opsLimit <= kMaxOpsLimit &&
                        p.memLimit >= crypto_pwhash_memlimit_min() && p.memLimit <= kMaxMemLimit &&
                        p.chunkSize >= kMinChunk && p.chunkSize <= kMaxChunk;
  if (!accepted) return std::nullopt;
  return p;
}

SecretText NormalizedPassword(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) throw KivoraError(msg::kCryptoLibraryFailed294);
  // normalizeUTF8 passes ill-formed bytes through: refuse them instead.
  if (!IsValidUtf8(utf8)) throw KivoraError(msg::kPasswordNotUtf8);
  // NFC grows UTF-8 by at most a factor of three; the sink writes into locked memory.
  SecretText out = SecretText::OfSize(utf8.size() * 3);
  icu::CheckedArrayByteSink sink(reinterpret_cast<char*>(out.Bytes().data()),
                                 static_cast<std::int32_t>(out.size()));
  nfc->normalizeUTF8(0, icu::StringPiece(utf8.data(), static_cast<std::int32_t>(utf8.size())), sink,
                     nullptr, status);
  if (U_FAILURE(status) || sink.Overflowed()) throw KivoraError(msg::kPasswordNotUtf8);
  return SecretText(out.View().substr(0, static_cast<size_t>(sink.NumberOfBytesAppended())));
}

SetCipher SetCipher::ForNewSet(const SecretText& password, KeyCost cost) {
  StartSodium();
  EncryptionParams p;
  p.version = kSignedBlock;
  p.kdf = kArgon2id13;
  p.opsLimit = cost.opsLimit;
  p.memLimit = cost.memLimit;
  randombytes_buf(p.salt.data(), p.salt.size());
  p.aead = kXChaCha20Poly1305;
  p.chunkSize = kSealedChunkBytes;
  SetCipher cipher(password, p);
  std::copy_n(cipher.check_.Bytes().begin(), p.check.size(), cipher.params_.check.begin());
  return cipher;
}

SetCipher::SetCipher(const SecretText& password, const EncryptionParams& params) : params_(params) {
  StartSodium();
  const bool signedBlock = params.version >= kSignedBlock;
  // Version 1 took the password's bytes as they came.
  const SecretText typed = signedBlock ? NormalizedPassword(password.View()) : password;
  SecretText master = SecretText::OfSize(crypto_kdf_KEYBYTES);
  if (crypto_pwhash(master.Bytes().data(), master.size(), typed.View().data(), typed.size(),
                    params.salt.data(), params.opsLimit, static_cast<size_t>(params.memLimit),
                    crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw std::bad_alloc();  // the only way it fails with accepted parameters
  }
  const char* context = signedBlock ? kSignedContext : kUnsignedContext;
  key_ = Subkey(kChunkKeyId, context, master);
  check_ = Subkey(kCheckValueId, context, master);
  if (signedBlock) macKey_ = Subkey(kMacKeyId, context, master);
}

bool SetCipher::PasswordMatches() const {
  return sodium_memcmp(check_.Bytes().data(), params_.check.data(), params_.check.size()) == 0;
}

std::array<std::uint8_t, kDefinitionMacBytes> SetCipher::MacOf(
    std::span<const std::uint8_t> signedBytes) const {
  std::array<std::uint8_t, kDefinitionMacBytes> mac{};
  crypto_generichash(mac.data(), mac.size(), signedBytes.data(), signedBytes.size(),
                     macKey_.Bytes().data(), macKey_.size());
  return mac;
}

void SetCipher::SignDefinition(std::span<std::uint8_t> definition) const {
  if (!AuthenticatesDefinition() || definition.size() < kDefinitionMacBytes) return;
  const size_t at = definition.size() - kDefinitionMacBytes;
  const auto mac = MacOf(definition.first(at));
  std::copy(mac.begin(), mac.end(), definition.begin() + static_cast<std::ptrdiff_t>(at));
}

bool SetCipher::DefinitionAuthentic(std::span<const std::uint8_t> definition) const {
  if (!AuthenticatesDefinition() || definition.size() < kDefinitionMacBytes) return false;
  const size_t at = definition.size() - kDefinitionMacBytes;
  const auto mac = MacOf(definition.first(at));
  return sodium_memcmp(mac.data(), definition.data() + at, mac.size()) == 0;
}

}  // namespace kivora
