#pragma once

#include "Command.h"
#include "PluginOptions.h"

namespace kivora::cli {

// kivora-cli plugins [--plugin-dir DIR]: the pendant plug-ins found.
class PluginsCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  PluginOptions plugin_;
};

}  // namespace kivora::cli
