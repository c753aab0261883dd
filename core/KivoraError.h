#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace kivora {

// A failure that carries the text shown to the user (UTF-8) and, optionally, the
// system's reason (a file name and errno text) for front ends that can show more.
class KivoraError : public std::runtime_error {
 public:
  explicit KivoraError(const std::string& text, std::string detail = {})
      : std::runtime_error(text), detail_(std::move(detail)) {}
  KivoraError(std::string_view text, std::string detail)
      : KivoraError(std::string(text), std::move(detail)) {}
  const std::string& Detail() const { return detail_; }

 private:
  std::string detail_;
};

// Runs fn and rethrows any KivoraError under the given text, keeping the cause as detail.
template <typename Fn>
decltype(auto) WithMessage(std::string_view text, Fn&& fn) {
  try {
    return fn();
  } catch (const KivoraError& e) {
    throw KivoraError(text, e.Detail().empty() ? std::string(e.what()) : e.Detail());
  }
}

}  // namespace kivora
