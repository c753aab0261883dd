#pragma once
#include <stdexcept>
#include <string>

namespace kivora {

// A failure that carries the text shown to the user (UTF-8).
class KivoraError : public std::runtime_error {
 public:
  explicit KivoraError(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace kivora
