#include "core/payload/SecretText.h"

#include <sodium.h>

#include <algorithm>
#include <new>
#include <utility>

#include "core/KivoraError.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

std::uint8_t* LockedBuffer(size_t size) {
  if (sodium_init() < 0) throw KivoraError(msg::kCryptoLibraryFailed294);
  // sodium_malloc locks the pages (where the limit allows) and puts guard pages around.
  void* p = sodium_malloc(std::max<size_t>(size, 1));
  if (!p) throw std::bad_alloc();
  return static_cast<std::uint8_t*>(p);
}

}  // namespace

SecretText::SecretText(std::string_view text)
    : data_(LockedBuffer(text.size())), size_(text.size()) {
  std::copy(text.begin(), text.end(), data_);
}

SecretText SecretText::OfSize(size_t size) {
  SecretText secret;
  sodium_free(secret.data_);
  secret.data_ = LockedBuffer(size);
  secret.size_ = size;
  sodium_memzero(secret.data_, size);
  return secret;
}

SecretText::~SecretText() { sodium_free(data_); }  // wipes before freeing; null is fine

SecretText& SecretText::operator=(const SecretText& other) {
  if (this != &other) *this = SecretText(other);
  return *this;
}

SecretText::SecretText(SecretText&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
  std::swap(data_, other.data_);
  std::swap(size_, other.size_);
  return *this;
}

void WipeText(std::string& text) {
  if (!text.empty()) sodium_memzero(text.data(), text.size());
  text.clear();
}

}  // namespace kivora
