#pragma once
// The command-line mode for scripts:
//   kvrpack --build -o OUT.dll [--name T] [--version T] [--ext T] [--author T]
//           [--comment T] PICTURE...
// writes OUT.dll and its script OUT.rc without a window.
//   kvrpack --version
// prints the program's version (with --build, --version is the plug-in's version text).

#include <ostream>
#include <span>
#include <string>

#include "core/text/Language.h"

namespace kvrpack {

// True when the arguments (without the program name) ask for the command-line mode, its
// help or the program's version rather than the window.
bool WantsCommandLine(std::span<const std::string> args);

// Runs the command-line mode. Returns 0 when the plug-in was built, 1 when the build
// failed, 2 on a usage error (messages on `err`, the result and help on `out`). The
// builder's messages are shown in `language`.
int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   kivora::Language language = kivora::Language::Chinese);

}  // namespace kvrpack
