#pragma once
// How a subcommand that runs an operation reports it: as lines for a reader (the
// default), as one JSON document for a script (--json), or with nothing but its errors
// (--quiet).

#include <string>

namespace CLI {
class App;
}  // namespace CLI

namespace kivora::cli {

enum class OutputMode { Text, JsonDocument, Quiet };

class OutputOptions {
 public:
  // Adds --json and -q/--quiet, which exclude each other, to `cmd`.
  void Register(CLI::App& cmd);

  // The one place that decides the mode from the options given. A command whose standard
  // output carries data rather than reports is the place to refuse --json.
  OutputMode Mode() const;
  // The subcommand's name, for the JSON document.
  const std::string& Command() const { return command_; }

 private:
  std::string command_;
  bool json_ = false;
  bool quiet_ = false;
};

}  // namespace kivora::cli
