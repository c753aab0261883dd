#pragma once

#include <string>

#include "app/cli/Command.h"
#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"

namespace kivora::cli {

// kivora-cli repair DEF [--dry-run] [-p PASSWORD]: rebuilds lost or damaged files of a set
// from its recovery parts; exit 0 when every part and the definition are (or can be) whole.
// Given the password, a part of an encrypted set whose tags fail is damaged too.
class RepairCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::string definition_;
  bool dryRun_ = false;
  PasswordOptions password_;
  OutputOptions output_;
};

}  // namespace kivora::cli
