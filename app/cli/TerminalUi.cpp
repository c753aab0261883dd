#include "TerminalUi.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <iostream>

#include "TerminalText.h"

namespace kivora::cli {
namespace {

// Set by SIGINT, SIGTERM or SIGHUP; a signal handler can only reach a flag of static
// storage.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

// Each asks the running operation to stop, so it removes what it had not finished and
// keeps the file it would have replaced.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

TerminalUi::TerminalUi(std::ostream& out, std::ostream& err, bool interactive, bool progressBar)
    : out_(out), err_(err), interactive_(interactive), progressBar_(progressBar) {
  interrupted = 0;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // A question waiting for its answer watches the flag itself (see WaitForLine).
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

TerminalUi::~TerminalUi() {
  EndProgressLine();
  for (int signal : kStopSignals) std::signal(signal, SIG_DFL);
}

void TerminalUi::EndProgressLine() {
  if (!progressShown_) return;
  err_ << "\r\033[K" << std::flush;
  progressShown_ = false;
}

void TerminalUi::ShowError(std::string_view text, std::string_view detail) {
  EndProgressLine();
  err_ << TerminalMessage(text) << '\n';
  if (!detail.empty()) err_ << "  " << TerminalText(detail) << '\n';
}

void TerminalUi::ShowInfo(std::string_view text) {
  EndProgressLine();
  err_ << TerminalMessage(text) << '\n';
}

void TerminalUi::ShowWarning(std::string_view text) {
  EndProgressLine();
  err_ << TerminalMessage(text) << '\n';
}

namespace {
const char* AnswerText(Answer a) {
  switch (a) {
    case Answer::Yes:
      return "是 (Yes)";
    case Answer::No:
      return "否 (No)";
    case Answer::Cancel:
      break;
  }
  return "取消 (Cancel)";
}
}  // namespace

Answer TerminalUi::Ask(std::string_view text, bool withCancel) {
  EndProgressLine();
  if (decider_) {
    if (auto decided = decider_(text)) {
      err_ << TerminalMessage(text) << "\n  → " << AnswerText(*decided) << '\n';
      return *decided;
    }
  }
  if (!interactive_) {
    err_ << TerminalMessage(text) << "\n  → " << AnswerText(Answer::No) << '\n';
    return Answer::No;
  }
  for (;;) {
    err_ << TerminalMessage(text) << (withCancel ? " [y/n/c] " : " [y/n] ") << std::flush;
    const auto line = ReadTerminalLine(true);
    if (!line) return withCancel ? Answer::Cancel : Answer::No;
    if (*line == "y" || *line == "Y" || *line == "yes") return Answer::Yes;
    if (*line == "n" || *line == "N" || *line == "no") return Answer::No;
    if (withCancel && (*line == "c" || *line == "C")) return Answer::Cancel;
  }
}

void TerminalUi::PrintRow(std::string_view caption, std::string_view state) {
  EndProgressLine();
  out_ << TerminalText((folder_.empty() ? "" : folder_ + "/") + std::string(caption)) << "\t"
       << TerminalText(state) << '\n';
}

std::optional<std::string> TerminalUi::AskPassword() {
  EndProgressLine();
  if (!interactive_) {
    err_
        << "這組分割檔受密碼保護：請以 -p、--password-file 或環境變數 KIVORA_PASSWORD 指定密碼。\n";
    return std::nullopt;
  }
  err_ << "請輸入密碼，謝謝！ " << std::flush;
  return ReadTerminalLine(false);
}

std::optional<std::filesystem::path> TerminalUi::AskSaveFileName(
    const std::filesystem::path& folder, std::string_view sourceName) {
  if (!interactive_) return std::nullopt;
  err_ << "另存新檔 (" << TerminalText((folder / sourceName).string()) << ")：" << std::flush;
  const auto line = ReadTerminalLine(true);
  if (!line || line->empty()) return std::nullopt;
  const std::filesystem::path chosen(*line);
  return chosen.is_absolute() ? chosen : folder / chosen;
}

std::optional<std::string> TerminalUi::ChooseResplitPlugin() {
  EndProgressLine();
  err_ << "這組分割檔使用了圖像掛件：請以 --plugin 指定掛件檔案。\n";
  return std::nullopt;
}

int TerminalUi::AddStateRow(std::string_view caption, std::string_view state, StateImage) {
  if (!state.empty()) PrintRow(caption, state);
  captions_.emplace_back(caption);
  return static_cast<int>(captions_.size()) - 1;
}

void TerminalUi::InsertStateRow(int index, std::string_view caption, std::string_view state,
                                StateImage) {
  if (!state.empty()) PrintRow(caption, state);
  const auto at = static_cast<size_t>(std::clamp(index, 0, static_cast<int>(captions_.size())));
  captions_.insert(captions_.begin() + static_cast<std::ptrdiff_t>(at), std::string(caption));
}

void TerminalUi::SetStateRow(int index, std::string_view state, StateImage) {
  if (index >= 0 && static_cast<size_t>(index) < captions_.size() && !state.empty()) {
    PrintRow(captions_[static_cast<size_t>(index)], state);
  }
}

void TerminalUi::SetProgress(std::int64_t done, std::int64_t total) {
  if (!progressBar_ || total <= 0) return;
  constexpr int kWidth = 30;
  const auto filled = static_cast<int>(done * kWidth / total);
  err_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
       << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << done << "/" << total
       << std::flush;
  progressShown_ = true;
}

bool TerminalUi::AbortRequested() { return interrupted != 0; }

namespace {

// Waits until stdin has a line; false when a stop signal came first. Polling in short
// steps, a signal that comes just before the wait is not missed.
bool WaitForLine() {
  if (std::cin.rdbuf()->in_avail() > 0) return true;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  while (interrupted == 0) {
    const int ready = ::poll(&input, 1, 100);
    if (ready > 0 || (ready < 0 && errno != EINTR)) return true;  // the read tells what it was
  }
  return false;
}

}  // namespace

std::optional<std::string> ReadTerminalLine(bool echo) {
  termios old{};
  const bool tty = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &old) == 0;
  if (tty && !echo) {
    termios quiet = old;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  const bool ok = WaitForLine() && static_cast<bool>(std::getline(std::cin, line));
  if (tty && !echo) {
    tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::cerr << '\n';
  }
  if (!ok) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kivora::cli
