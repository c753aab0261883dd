#pragma once

#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"
#include "app/cli/SetCommand.h"

namespace kivora::cli {

// kivora-cli join DEF [-o DIR | --output FILE] ...: joins a set into its source file.
class JoinCommand : public SetCommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::string outputDir_;
  std::string outputFile_;
  bool skipMissing_ = false;
  bool forceCorrupt_ = false;
  bool overwrite_ = false;
  bool mkdir_ = false;
  PasswordOptions password_;
  OutputOptions output_;
};

}  // namespace kivora::cli
