#pragma once

#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/HostOptions.h"
#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"
#include "app/cli/TerminalUi.h"
#include "net/FetchOperation.h"
#include "pendant/PendantLibrary.h"

namespace kivora::cli {

// kivora-cli fetch LIST|ADDRESS... [-o DIR] [--join]: fetches a set from the addresses
// its files were put at (list files of the file-list page, or addresses), proving every
// file against the definition; with --join it rebuilds what no address served from the
// recovery parts and joins the set. Exit 0 when every file (and the joined source) is there.
class FetchCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  // Says which files came and from where.
  static void Report(TerminalUi& ui, const net::FetchOutcome& outcome);

  std::vector<std::string> sources_;
  std::string folder_ = ".";
  bool join_ = false;
  bool overwrite_ = false;
  int jobs_ = 4;
  long stallSeconds_ = 60;
  PasswordOptions password_;
  HostOptions hosts_;
  OutputOptions output_;
};

}  // namespace kivora::cli
