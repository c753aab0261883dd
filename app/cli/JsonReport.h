#pragma once
// The one JSON document every subcommand prints on stdout with --json, the same schema
// for all (data/kivora-cli.schema.json): the command, how it ended and its exit status,
// each file the engine gave a state (in the order first reported, with its last state as
// a fixed English word and its size on disk when it is there), each message with its
// number and its words in the language of the run, and the members of the command's own
// (info's definition, the plug-ins' list).

#include <filesystem>
#include <iosfwd>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/OperationEvents.h"
#include "core/text/Language.h"

namespace kivora::cli {

// A JSON value whose members keep the order they were added in.
using Json = nlohmann::ordered_json;

class JsonReport {
 public:
  explicit JsonReport(std::string command) : command_(std::move(command)) {}

  // The folder the engine's file names are relative to, for their sizes.
  void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
  // The files are not on this machine: no sizes are looked up.
  void OmitSizes() { sizes_ = false; }
  void Record(const OperationEvent& event);
  // A notice of the command line itself.
  void RecordNote(const MessageText& text, const MessageText& detail = {});
  // The file the operation wrote (the joined file).
  void SetOutput(std::string path) { output_ = std::move(path); }
  // A member of the command's own after the messages, such as info's "info".
  void Set(std::string name, Json value) { own_.emplace_back(std::move(name), std::move(value)); }

  // Writes the document and a line break. `stopped`: a signal asked the operation to stop.
  void Write(std::ostream& out, int exit, bool stopped, Language language) const;
  // The document of a command line refused before any operation ran: outcome "usage",
  // exit status 2 and the reason as its one error message.
  static void WriteUsage(std::ostream& out, std::string command, MessageText reason,
                         Language language);

 private:
  struct Entry {
    std::string_view kind;
    MessageText text;
    MessageText detail;
  };

  std::string_view OutcomeWord(int exit, bool stopped) const;
  Json FileJson(const FileStateChanged& file) const;
  static Json MessageJson(const Entry& entry, Language language);

  std::string command_;
  std::filesystem::path folder_;
  bool sizes_ = true;
  std::vector<FileStateChanged> files_;
  std::map<std::string, size_t> fileAt_;  // index in files_ by name
  std::vector<Entry> messages_;
  std::optional<Outcome> finished_;
  std::optional<std::string> output_;
  std::vector<std::pair<std::string, Json>> own_;
};

// `value` as JSON text on one line. Bytes of a string that are not UTF-8 become U+FFFD;
// that character and the characters a terminal does not show as themselves (controls,
// line and direction marks) are written as escapes, so the text cannot drive a terminal
// it is shown on.
std::string JsonText(const Json& value);

}  // namespace kivora::cli
