#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/cli/Cli.h"

namespace kivora::test {

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs kivora-cli in-process with the given arguments (no terminal).
inline CliRun RunCli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  cli::Context context{out, err, false, false};
  CliRun run;
  run.code = cli::Run(args, context);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace kivora::test
