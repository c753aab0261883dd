#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/cli/Command.h"
#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"
#include "app/cli/PluginOptions.h"

namespace kivora::cli {

class TerminalUi;

// kivora-cli split SOURCE ...
class SplitCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::string source_;
  std::string outputDir_;
  int sizeKb_ = 500;
  bool random_ = true;
  // Usage errors of a stream source and of --source-name; kSuccess when there are none.
  int CheckStreamOptions(TerminalUi& ui) const;

  std::string baseName_;
  std::string sourceName_;
  bool fromOne_ = false;
  std::string extension_;
  bool kvrExtension_ = false;
  std::string comment_;
  bool plain_ = false;
  bool implant_ = false;
  bool encrypt_ = false;
  std::optional<std::uint64_t> seed_;
  bool mkdir_ = false;
  bool overwrite_ = false;
  std::string recovery_;
  PasswordOptions password_;
  PluginOptions plugin_;
  OutputOptions output_;
};

}  // namespace kivora::cli
