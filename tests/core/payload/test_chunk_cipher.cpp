#include <gtest/gtest.h>
#include <sodium.h>

#include <vector>

#include "core/payload/ChunkCipher.h"
#include "tests/support/TestSupport.h"

namespace kivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ChunkCipherTest : public testing::TestWithParam<size_t> {};

// The faster implementation must seal exactly as libsodium does, and open only what
// libsodium would.
TEST_P(ChunkCipherTest, SealsAndOpensAsLibsodiumDoes) {
  ASSERT_GE(sodium_init(), 0);
  const size_t size = GetParam();
  for (std::uint32_t seed = 1; seed <= 4; ++seed) {
    const Bytes plain = test::RandomBytes(size, seed);
    const Bytes associated = test::RandomBytes(seed * 7, seed + 100);
    std::array<std::uint8_t, kChunkKeyBytes> key{};
    std::array<std::uint8_t, kChunkNonceBytes> nonce{};
    randombytes_buf(key.data(), key.size());
    randombytes_buf(nonce.data(), nonce.size());

    Bytes expected(size + kChunkTagBytes);
    crypto_aead_xchacha20poly1305_ietf_encrypt(expected.data(), nullptr, plain.data(), size,
                                               associated.data(), associated.size(), nullptr,
                                               nonce.data(), key.data());
    Bytes sealed(size + kChunkTagBytes);
    SealChunk(sealed.data(), plain, associated, nonce, key);
    EXPECT_EQ(sealed, expected);

    Bytes opened(size);
    EXPECT_TRUE(OpenChunk(opened.data(), sealed, associated, nonce, key));
    EXPECT_EQ(opened, plain);
    // A changed byte anywhere, a changed nonce or associated data: refused, nothing kept.
    Bytes changed = sealed;
    changed[seed % changed.size()] ^= 0x80;
    std::array<std::uint8_t, kChunkNonceBytes> otherNonce = nonce;
    otherNonce[0] ^= 1;
    Bytes otherData = associated;
    otherData.push_back(0);
    EXPECT_FALSE(OpenChunk(opened.data(), changed, associated, nonce, key));
    EXPECT_FALSE(OpenChunk(opened.data(), sealed, associated, otherNonce, key));
    EXPECT_FALSE(OpenChunk(opened.data(), sealed, otherData, nonce, key));
    EXPECT_EQ(opened, Bytes(size, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChunkCipherTest,
                         testing::Values(0, 1, 63, 64, 65, 1000, 65536, 65537));

}  // namespace
}  // namespace kivora
