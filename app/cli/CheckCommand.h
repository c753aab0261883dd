#pragma once

#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/HostOptions.h"
#include "app/cli/OutputOptions.h"
#include "app/cli/TerminalUi.h"
#include "net/CheckOperation.h"

namespace kivora::cli {

// kivora-cli check LIST|ADDRESS...: proves the copies of a set on its hosts without
// writing anything, says which files are lost or wrong on which host and whether the
// set can still be rebuilt from what is there. Exit 0 only when every file proves
// somewhere.
class CheckCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  // Each copy's verdict, the summary and the repair plan, as lines and in the JSON document.
  static void Report(TerminalUi& ui, const net::CheckOutcome& outcome);

  std::vector<std::string> sources_;
  HostOptions hosts_;
  OutputOptions output_;
};

}  // namespace kivora::cli
