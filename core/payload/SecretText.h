#pragma once
// A password or key held where it cannot be swapped to disk: in memory that libsodium
// locks and guards, wiped when the value goes. Copies are locked and wiped alike.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivora {

class SecretText {
 public:
  SecretText() : SecretText(std::string_view()) {}
  // Takes a copy of text; the caller wipes its own copy when it is no longer needed.
  SecretText(std::string_view text);  // NOLINT: a password converts where one is expected
  SecretText(const char* text) : SecretText(std::string_view(text)) {}         // NOLINT
  SecretText(const std::string& text) : SecretText(std::string_view(text)) {}  // NOLINT
  // A buffer of `size` zero bytes to be filled through Bytes().
  static SecretText OfSize(size_t size);
  ~SecretText();
  SecretText(const SecretText& other) : SecretText(other.View()) {}
  SecretText& operator=(const SecretText& other);
  SecretText(SecretText&& other) noexcept;
  SecretText& operator=(SecretText&& other) noexcept;

  std::string_view View() const { return {reinterpret_cast<const char*>(data_), size_}; }
  std::span<std::uint8_t> Bytes() { return {data_, size_}; }
  std::span<const std::uint8_t> Bytes() const { return {data_, size_}; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool operator==(const SecretText& other) const { return View() == other.View(); }

 private:
  std::uint8_t* data_ = nullptr;  // sodium_malloc'd; null only once moved from
  size_t size_ = 0;
};

// Overwrites a text that held a password before it is freed.
void WipeText(std::string& text);

}  // namespace kivora
