#pragma once

#include "app/cli/SetCommand.h"

namespace kivora::cli {

// kivora-cli test DEF: tests every part; exit 0 when none is missing or corrupt.
class TestCommand : public SetCommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;
};

}  // namespace kivora::cli
