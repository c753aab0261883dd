#pragma once
// kivora-cli: the command-line front end.

#include <string>
#include <vector>

#include "app/cli/Command.h"

namespace kivora::cli {

// Parses args (without the program name) and runs the subcommand.
int Run(const std::vector<std::string>& args, Context& context);
// main() of kivora-cli.
int Main(int argc, char** argv);

}  // namespace kivora::cli
