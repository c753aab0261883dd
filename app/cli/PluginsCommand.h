#pragma once

#include "app/cli/Command.h"
#include "app/cli/PluginOptions.h"

namespace kivora::cli {

// kivora-cli plugins [--plugin-dir DIR] [--json]: the pendant plug-ins found.
class PluginsCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  PluginOptions plugin_;
  bool json_ = false;
};

}  // namespace kivora::cli
