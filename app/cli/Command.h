#pragma once
// One subcommand of kivora-cli.

#include <iosfwd>
#include <string>
#include <string_view>

#include "core/text/Language.h"
#include "core/text/MessageText.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace kivora::cli {

// Exit status of every subcommand.
// kIncomplete: the command finished, but its output is not what was asked for (a join
// that skipped or forced parts).
enum ExitCode : int { kSuccess = 0, kFailed = 1, kUsage = 2, kIncomplete = 3 };

// Streams and terminal facts of one run, so tests can run commands in-process.
struct Context {
  std::ostream& out;
  std::ostream& err;
  bool stdinIsTerminal = false;
  bool stderrIsTerminal = false;
  // The language of the messages; the program's own texts unless chosen otherwise.
  Language language = Language::Chinese;
  // Where `join -o -` writes the joined bytes: standard output (a pipe or a file in tests).
  int outputDescriptor = 1;

  // A text of the engines or the command line in that language.
  std::string Text(const MessageText& text) const { return text.In(language); }
};

class Command {
 public:
  virtual ~Command() = default;
  // Adds the subcommand and its options to the parser.
  virtual CLI::App* Register(CLI::App& app) = 0;
  // Runs after a successful parse; returns the exit status.
  virtual int Run(Context& context) = 0;
};

}  // namespace kivora::cli
