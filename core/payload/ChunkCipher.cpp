#include "core/payload/ChunkCipher.h"

#include <openssl/evp.h>
#include <sodium.h>

#include <array>
#include <memory>
#include <new>

#include "core/KivoraError.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == kChunkNonceBytes);
static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == kChunkKeyBytes);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == kChunkTagBytes);

// The cipher fetched once: fetching it again for every chunk takes a lock that the
// threads sealing chunks would share. Never changed after it is made.
const EVP_CIPHER* ChaCha20Poly1305() {
  static const std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(
      EVP_CIPHER_fetch(nullptr, "ChaCha20-Poly1305", nullptr), &EVP_CIPHER_free);
  if (!cipher) throw KivoraError(msg::kCryptoLibraryFailed294);
  return cipher.get();
}

struct ContextFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// An IETF ChaCha20-Poly1305 context keyed for one chunk; the subkey is wiped at once
// (OpenSSL wipes its own copy when the context is freed).
class ChunkContext {
 public:
  ChunkContext(bool seal, std::span<const std::uint8_t> associated,
               std::span<const std::uint8_t, kChunkNonceBytes> nonce,
               std::span<const std::uint8_t, kChunkKeyBytes> key)
      : context_(EVP_CIPHER_CTX_new()) {
    if (!context_) throw std::bad_alloc();
    std::array<std::uint8_t, 32> subkey{};
    crypto_core_hchacha20(subkey.data(), nonce.data(), key.data(), nullptr);
    std::array<std::uint8_t, 12> iv{};
    std::copy(nonce.begin() + 16, nonce.end(), iv.begin() + 4);
    int length = 0;
    const bool ok = EVP_CipherInit_ex(context_.get(), ChaCha20Poly1305(), nullptr, subkey.data(),
                                      iv.data(), seal ? 1 : 0) == 1 &&
                    EVP_CipherUpdate(context_.get(), nullptr, &length, associated.data(),
                                     static_cast<int>(associated.size())) == 1;
    sodium_memzero(subkey.data(), subkey.size());
    if (!ok) throw KivoraError(msg::kCryptoLibraryFailed294);
  }
  EVP_CIPHER_CTX* get() const { return context_.get(); }

 private:
  std::unique_ptr<EVP_CIPHER_CTX, ContextFree> context_;
};

}  // namespace

void SealChunk(std::uint8_t* out, std::span<const std::uint8_t> plain,
               std::span<const std::uint8_t> associated,
               std::span<const std::uint8_t, kChunkNonceBytes> nonce,
               std::span<const std::uint8_t, kChunkKeyBytes> key) {
  const ChunkContext c(true, associated, nonce, key);
  int length = 0;
  int last = 0;
  if (EVP_EncryptUpdate(c.get(), out, &length, plain.data(), static_cast<int>(plain.size())) != 1 ||
      EVP_EncryptFinal_ex(c.get(), out + length, &last) != 1 ||
      EVP_CIPHER_CTX_ctrl(c.get(), EVP_CTRL_AEAD_GET_TAG, kChunkTagBytes, out + plain.size()) !=
          1) {
    throw KivoraError(msg::kCryptoLibraryFailed294);
  }
}

bool OpenChunk(std::uint8_t* out, std::span<const std::uint8_t> sealed,
               std::span<const std::uint8_t> associated,
               std::span<const std::uint8_t, kChunkNonceBytes> nonce,
               std::span<const std::uint8_t, kChunkKeyBytes> key) {
  if (sealed.size() < kChunkTagBytes) return false;
  const size_t plain = sealed.size() - kChunkTagBytes;
  const ChunkContext c(false, associated, nonce, key);
  // The tag is set before the final call that checks it; OpenSSL takes a non-const pointer.
  std::array<std::uint8_t, kChunkTagBytes> tag{};
  std::copy(sealed.begin() + static_cast<std::ptrdiff_t>(plain), sealed.end(), tag.begin());
  int length = 0;
  int last = 0;
  const bool ok =
      EVP_DecryptUpdate(c.get(), out, &length, sealed.data(), static_cast<int>(plain)) == 1 &&
      EVP_CIPHER_CTX_ctrl(c.get(), EVP_CTRL_AEAD_SET_TAG, kChunkTagBytes, tag.data()) == 1 &&
      EVP_DecryptFinal_ex(c.get(), out + length, &last) == 1;
  if (!ok) sodium_memzero(out, plain);  // unproved bytes never leave
  return ok;
}

}  // namespace kivora
