#pragma once

#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"
#include "app/cli/PluginOptions.h"
#include "app/cli/SetCommand.h"

namespace kivora::cli {

// kivora-cli resplit DEF SOURCE ...: rebuilds parts of a set from its source.
class ResplitCommand : public SetCommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::string source_;
  std::string outputDir_;
  std::string parts_;
  CLI::Option* partsOption_ = nullptr;  // given, even when empty
  bool all_ = false;
  bool mkdir_ = false;
  PasswordOptions password_;
  PluginOptions plugin_;
  OutputOptions output_;
};

}  // namespace kivora::cli
