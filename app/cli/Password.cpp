#include "app/cli/Password.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <fstream>

#include "app/cli/CliMessages.h"
#include "core/KivoraError.h"

namespace kivora::cli {

void PasswordOptions::Register(CLI::App& command) {
  auto* direct =
      command.add_option("-p,--password", password, "Password (visible in the process list)");
  auto* file = command.add_option("--password-file", passwordFile,
                                  "Read the password from the first line of FILE");
  direct->excludes(file);
}

std::optional<std::string> PasswordOptions::Resolve() const {
  if (!password.empty()) return password;
  if (!passwordFile.empty()) {
    std::ifstream in(passwordFile);
    std::string line;
    if (!in || (!std::getline(in, line) && !in.eof())) {
      throw KivoraError(texts::kPasswordFileUnreadable(passwordFile));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  if (const char* env = std::getenv("KIVORA_PASSWORD"); env && *env) return std::string(env);
  return std::nullopt;
}

}  // namespace kivora::cli
