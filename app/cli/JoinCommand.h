#pragma once

#include "app/cli/OutputOptions.h"
#include "app/cli/Password.h"
#include "app/cli/SetCommand.h"
#include "core/operations/JoinOperation.h"

namespace kivora::cli {

// kivora-cli join DEF [-o DIR | --output FILE] ...: joins a set into its source file.
// With `-o -` or `--output -` the joined bytes go to standard output instead.
class JoinCommand : public SetCommand {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  bool ToStdout() const { return outputDir_ == "-" || outputFile_ == "-"; }
  // Options that mean nothing when the bytes go to standard output: false after saying
  // which one was given.
  bool RefuseStdoutConflicts(Context& context) const;
  int Report(TerminalUi& ui, Context& context, bool joined, const JoinOutcome& outcome) const;

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
