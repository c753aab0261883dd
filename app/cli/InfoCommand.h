#pragma once

#include <string>

#include "app/cli/Command.h"

namespace kivora::cli {

// kivora-cli info DEF [--json]: the summary and part records of a definition.
class InfoCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::string definition_;
  bool json_ = false;
};

}  // namespace kivora::cli
