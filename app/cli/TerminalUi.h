#pragma once
// The engines' events for a terminal: messages on stderr, questions answered by
// command-line flags or, on a terminal, by the user; each file with a state on stdout;
// a progress bar when stderr is a terminal; Ctrl-C, SIGTERM and SIGHUP ask the running
// operation to stop.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "core/OperationEvents.h"
#include "core/text/Language.h"

namespace kivora::cli {

class TerminalUi : public OperationEvents {
 public:
  // Decides a Yes/No question from the flags by its kind; an empty optional leaves it to
  // the user.
  using Decider = std::function<std::optional<Answer>(QuestionKind kind)>;

  TerminalUi(std::ostream& out, std::ostream& err, bool interactive, bool progressBar,
             Language language = Language::Chinese);
  ~TerminalUi() override;

  void SetDecider(Decider decider) { decider_ = std::move(decider); }
  void SetFolder(std::string folder) { folder_ = std::move(folder); }

  void Report(const OperationEvent& event) override;
  Reply Ask(const Question& question) override;
  bool AbortRequested() override;

 private:
  void EndProgressLine();
  void ShowMessage(const Message& message);
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
  std::string folder_;
  Decider decider_;
};

// Reads one line from the terminal (for questions and passwords); echo off hides it.
std::optional<std::string> ReadTerminalLine(bool echo);

}  // namespace kivora::cli
