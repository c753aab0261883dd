#pragma once
// Where a password comes from: -p, --password-file (a file, or `-` for standard input)
// or the KIVORA_PASSWORD environment variable (the last two keep it out of the process
// list). It leaves here in UTF-8, in locked memory.

#include <unistd.h>

#include <optional>
#include <string>

#include "core/payload/SecretText.h"

namespace CLI {
class App;
}

namespace kivora::cli {

struct PasswordOptions {
  std::string password;
  std::string passwordFile;
  bool requireEncryption = false;

  // -p and --password-file; with `demandEncryption` (join, re-split) also
  // --require-encryption.
  void Register(CLI::App& command, bool demandEncryption = false);
  // The password given, converted from the locale's encoding, or an empty optional
  // when none was; -p's text is wiped once taken. `-` as the file reads its first line
  // from `standardInput`. Throws KivoraError when the file cannot be read or the
  // password is not valid in the locale's encoding.
  std::optional<SecretText> Resolve(int standardInput = STDIN_FILENO);
  // A join's or re-split's password and demand for encryption.
  template <typename Request>
  void Fill(Request& request, int standardInput = STDIN_FILENO) {
    request.password = Resolve(standardInput);
    request.requireEncryption = requireEncryption;
  }
};

// Wipes a text that held a password when the scope ends, however it ends.
class WipedOnExit {
 public:
  explicit WipedOnExit(std::string& text) : text_(text) {}
  ~WipedOnExit() { WipeText(text_); }
  WipedOnExit(const WipedOnExit&) = delete;
  WipedOnExit& operator=(const WipedOnExit&) = delete;

 private:
  std::string& text_;
};

}  // namespace kivora::cli
