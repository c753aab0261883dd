#pragma once
// Where a password comes from: -p, --password-file or the KIVORA_PASSWORD
// environment variable (the last two keep it out of the process list).

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace kivora::cli {

struct PasswordOptions {
  std::string password;
  std::string passwordFile;

  void Register(CLI::App& command);
  // The password given, or an empty optional when none was. Throws KivoraError when
  // the password file cannot be read.
  std::optional<std::string> Resolve() const;
};

}  // namespace kivora::cli
