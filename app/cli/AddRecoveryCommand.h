#pragma once

#include <string>

#include "app/cli/OutputOptions.h"
#include "app/cli/SetCommand.h"

namespace kivora::cli {

// kivora-cli add-recovery DEF R|P%: tests the set, then writes its recovery parts as a
// split with --recovery would have, replacing those it had; exit 0 when they are written.
class AddRecoveryCommand : public SetCommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::string amount_;
  OutputOptions output_;
};

}  // namespace kivora::cli
