#include "TerminalUi.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

namespace kivora::cli {
namespace {

// Set by SIGINT; a signal handler can only reach a flag of static storage.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) { interrupted = 1; }

}  // namespace

TerminalUi::TerminalUi(std::ostream& out, std::ostream& err, bool interactive, bool progressBar)
    : out_(out), err_(err), interactive_(interactive), progressBar_(progressBar) {
  interrupted = 0;
  std::signal(SIGINT, OnInterrupt);
}

TerminalUi::~TerminalUi() {
  EndProgressLine();
  std::signal(SIGINT, SIG_DFL);
}

void TerminalUi::EndProgressLine() {
  if (!progressShown_) return;
  err_ << "\r\033[K" << std::flush;
  progressShown_ = false;
}

void TerminalUi::ShowError(std::string_view text, std::string_view detail) {
  EndProgressLine();
  err_ << text << '\n';
  if (!detail.empty()) err_ << "  " << detail << '\n';
}

void TerminalUi::ShowInfo(std::string_view text) {
  EndProgressLine();
  err_ << text << '\n';
}

void TerminalUi::ShowWarning(std::string_view text) {
  EndProgressLine();
  err_ << text << '\n';
}

Answer TerminalUi::Ask(std::string_view text, bool withCancel) {
  EndProgressLine();
  if (decider_) {
    if (auto decided = decider_(text)) return *decided;
  }
  if (!interactive_) {
    err_ << text << "\n  → 否 (No)\n";
    return Answer::No;
  }
  for (;;) {
    err_ << text << (withCancel ? " [y/n/c] " : " [y/n] ") << std::flush;
    const auto line = ReadTerminalLine(true);
    if (!line) return withCancel ? Answer::Cancel : Answer::No;
    if (*line == "y" || *line == "Y" || *line == "yes") return Answer::Yes;
    if (*line == "n" || *line == "N" || *line == "no") return Answer::No;
    if (withCancel && (*line == "c" || *line == "C")) return Answer::Cancel;
  }
}

void TerminalUi::PrintRow(std::string_view caption, std::string_view state) {
  if (!echoRows_) return;
  EndProgressLine();
  out_ << (folder_.empty() ? "" : folder_ + "/") << caption << "\t" << state << '\n';
}

int TerminalUi::AddStateRow(std::string_view caption, std::string_view state, StateImage) {
  PrintRow(caption, state);
  return rows_++;
}

void TerminalUi::InsertStateRow(int, std::string_view caption, std::string_view state, StateImage) {
  PrintRow(caption, state);
  ++rows_;
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

std::optional<std::string> ReadTerminalLine(bool echo) {
  termios old{};
  const bool tty = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &old) == 0;
  if (tty && !echo) {
    termios quiet = old;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  const bool ok = static_cast<bool>(std::getline(std::cin, line));
  if (tty && !echo) {
    tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::cerr << '\n';
  }
  if (!ok) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace kivora::cli
