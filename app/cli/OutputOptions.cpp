#include "app/cli/OutputOptions.h"

#include <CLI/CLI.hpp>

namespace kivora::cli {

void OutputOptions::Register(CLI::App& cmd) {
  command_ = cmd.get_name();
  auto* json = cmd.add_flag("--json", json_,
                            "Print one JSON document on stdout at the end: each file's state "
                            "and each message with its number");
  auto* quiet = cmd.add_flag("-q,--quiet", quiet_,
                             "Print nothing but errors (no file lines, progress or notices)");
  json->excludes(quiet);
}

OutputMode OutputOptions::Mode() const {
  if (json_) return OutputMode::JsonDocument;
  if (quiet_) return OutputMode::Quiet;
  return OutputMode::Text;
}

}  // namespace kivora::cli
