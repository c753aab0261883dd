#pragma once
// The engines' events for a terminal: messages on stderr, questions answered by
// command-line flags or, on a terminal, by the user; each file with a state on stdout;
// a progress bar when stderr is a terminal; Ctrl-C, SIGTERM and SIGHUP ask the running
// operation to stop. With --json, stdout gets one JSON document at the end instead of the
// file lines; with --quiet, only errors are shown.

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/JsonReport.h"
#include "app/cli/OutputOptions.h"
#include "core/OperationEvents.h"
#include "core/payload/SecretText.h"
#include "core/text/Language.h"

namespace kivora::cli {

class TerminalUi : public OperationEvents {
 public:
  // Decides a Yes/No question from the flags by its kind; an empty optional leaves it to
  // the user.
  using Decider = std::function<std::optional<Answer>(QuestionKind kind)>;
  // Reads one line the user types (echo off hides it); an empty optional when the input
  // ends or a stop signal comes.
  using LineReader = std::function<std::optional<std::string>(bool echo)>;

  TerminalUi(std::ostream& out, std::ostream& err, bool interactive, bool progressBar,
             Language language = Language::Chinese);
  // For a subcommand run in `context`, reporting as `output` chooses.
  TerminalUi(const Context& context, const OutputOptions& output);
  ~TerminalUi() override;

  void SetDecider(Decider decider) { decider_ = std::move(decider); }
  // Questions the decider answers are not shown: where nothing is ever asked.
  void HideDecidedQuestions() { showDecided_ = false; }
  // The folder the engine's file names are relative to, shown in front of each name.
  void SetFolder(const std::string& folder);
  // The same for the sizes in the JSON document only, the names being shown as they are.
  void SetFilesFolder(const std::filesystem::path& folder);
  // For files that lie on hosts, not here: the JSON document gives no sizes from disk.
  void OmitFileSizes();
  // A member of the command's own in the JSON document, when there is one.
  void SetJsonMember(std::string name, Json value);
  // Where answers come from: the terminal (ReadTerminalLine) unless set otherwise.
  void SetLineReader(LineReader reader) { readLine_ = std::move(reader); }

  // The password of a new encrypted set, typed twice without echo and converted from the
  // locale's encoding. An empty optional, after saying why, when the two differ, when
  // none is typed, or when stdin is not a terminal.
  std::optional<SecretText> AskNewPassword();

  // A notice of the command line itself, not shown with --quiet.
  void Note(const MessageText& text);
  // A member of the command's own in the JSON document, when there is one.
  void SetJson(std::string name, Json value) {
    if (report_) report_->Set(std::move(name), std::move(value));
  }
  // The path of the file the operation wrote, on its own line of stdout.
  void ShowOutputPath(const std::string& path);
  // The end of the subcommand with its exit status: prints the JSON document when asked
  // for one, or with --quiet the closing notices of a command that failed. Returns `exit`.
  int Close(int exit);

  void Report(const OperationEvent& event) override;
  Reply Ask(const Question& question) override;
  bool AbortRequested() override;

 private:
  void EndProgressLine();
  void ShowMessage(const Message& message);
  void ShowLines(const Message& message);
  void PrintFile(const FileStateChanged& file);
  void ShowProgress(const Progress& progress);
  Answer AskYesNo(const Question& question);
  std::optional<std::string> AskPassword();
  std::optional<std::string> AskSaveFileName(const std::filesystem::path& proposal);
  std::optional<std::string> ChooseResplitPlugin();

  std::ostream& out_;
  std::ostream& err_;
  bool interactive_;
  bool progressBar_;
  bool progressShown_ = false;
  Language language_;
  bool quiet_ = false;
  bool showDecided_ = true;
  std::optional<JsonReport> report_;  // with --json
  std::vector<Message> heldBack_;     // with --quiet: the closing notices
  std::string folderPrefix_;          // the folder of the files named, with its slash, as printed
  Decider decider_;
  LineReader readLine_;
  std::string encoding_;  // of what the user types
  // The words of each file state shown so far, as printed; empty for a state without.
  std::map<FileState, std::string> stateLines_;
};

// Reads one line from the terminal (for questions and passwords); echo off hides it.
std::optional<std::string> ReadTerminalLine(bool echo);

}  // namespace kivora::cli
