#pragma once
// The events of one subcommand gathered into one JSON document for scripts, printed at
// the end: the command, how it ended and its exit status, each file the engine gave a
// state (in the order first reported, with its last state as a fixed English word and
// its size on disk when it is there), and each message with its number and its words in
// the language of the run.

#include <filesystem>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/OperationEvents.h"
#include "core/text/Language.h"

namespace kivora::cli {

class JsonReport {
 public:
  explicit JsonReport(std::string command) : command_(std::move(command)) {}

  // The folder the engine's file names are relative to, for their sizes.
  void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
  void Record(const OperationEvent& event);
  // A notice of the command line itself (it has no number).
  void RecordNote(const MessageText& text);
  // The file the operation wrote (the joined file).
  void SetOutput(std::string path) { output_ = std::move(path); }

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
  void WriteFile(std::ostream& out, const FileStateChanged& file) const;
  static void WriteMessage(std::ostream& out, const Entry& entry, Language language);

  std::string command_;
  std::filesystem::path folder_;
  std::vector<FileStateChanged> files_;
  std::map<std::string, size_t> fileAt_;  // index in files_ by name
  std::vector<Entry> messages_;
  std::optional<Outcome> finished_;
  std::optional<std::string> output_;
};

}  // namespace kivora::cli
