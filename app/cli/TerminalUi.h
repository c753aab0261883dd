#pragma once
// The engines' callbacks for a terminal: messages on stderr, questions answered by
// command-line flags or, on a terminal, by the user; state rows with a state on stdout;
// a progress bar when stderr is a terminal; Ctrl-C, SIGTERM and SIGHUP ask the running
// operation to stop.

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "Ui.h"

namespace kivora::cli {

class TerminalUi : public Ui {
 public:
  // Decides a question from the flags; an empty optional leaves it to the user.
  using Decider = std::function<std::optional<Answer>(std::string_view question)>;

  TerminalUi(std::ostream& out, std::ostream& err, bool interactive, bool progressBar);
  ~TerminalUi() override;

  void SetDecider(Decider decider) { decider_ = std::move(decider); }
  void SetFolder(std::string folder) { folder_ = std::move(folder); }

  void ShowError(std::string_view text, std::string_view detail) override;
  using Ui::ShowError;
  void ShowInfo(std::string_view text) override;
  void ShowWarning(std::string_view text) override;
  Answer Ask(std::string_view text, bool withCancel) override;
  std::optional<std::string> AskPassword() override;
  std::optional<std::filesystem::path> AskSaveFileName(const std::filesystem::path& folder,
                                                       std::string_view sourceName) override;
  std::optional<std::string> ChooseResplitPlugin() override;
  void ClearStateRows() override { captions_.clear(); }
  int AddStateRow(std::string_view caption, std::string_view state, StateImage image) override;
  void InsertStateRow(int index, std::string_view caption, std::string_view state,
                      StateImage image) override;
  void SetStateRow(int index, std::string_view state, StateImage image) override;
  void ScrollToRow(int) override {}
  void SetStatus(int, std::string_view) override {}
  void SetProgress(std::int64_t done, std::int64_t total) override;
  void Pump(std::chrono::milliseconds) override {}
  bool AbortRequested() override;

 private:
  void EndProgressLine();
  void PrintRow(std::string_view caption, std::string_view state);

  std::ostream& out_;
  std::ostream& err_;
  bool interactive_;
  bool progressBar_;
  bool progressShown_ = false;
  std::vector<std::string> captions_;
  std::string folder_;
  Decider decider_;
};

// Reads one line from the terminal (for questions and passwords); echo off hides it.
std::optional<std::string> ReadTerminalLine(bool echo);

}  // namespace kivora::cli
