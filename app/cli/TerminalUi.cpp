#include "app/cli/TerminalUi.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iostream>

#include "app/cli/CliMessages.h"
#include "app/cli/Password.h"
#include "app/cli/PasswordEncoding.h"
#include "app/cli/TerminalText.h"
#include "core/StateTexts.h"
#include "core/text/LocaleEncoding.h"
#include "core/text/Messages.h"

namespace kivora::cli {
namespace {

// Set by SIGINT, SIGTERM or SIGHUP; a signal handler can only reach a flag of static
// storage. The handler may run on any of the process's threads, so the flag is an atomic
// that needs no lock (a lock in a signal handler could deadlock).
std::atomic<bool> interrupted = false;
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int) { interrupted.store(true); }

// Each asks the running operation to stop, so it removes what it had not finished and
// keeps the file it would have replaced.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

TerminalUi::TerminalUi(std::ostream& out, std::ostream& err, bool interactive, bool progressBar,
                       Language language)
    : out_(out),
      err_(err),
      interactive_(interactive),
      progressBar_(progressBar),
      language_(language),
      readLine_(ReadTerminalLine),
      encoding_(LocaleEncoding()) {
  interrupted.store(false);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // A question waiting for its answer watches the flag itself (see WaitForLine).
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);
}

TerminalUi::TerminalUi(const Context& context, const OutputOptions& output)
    : TerminalUi(context.out, context.err, context.stdinIsTerminal,
                 context.stderrIsTerminal && output.Mode() != OutputMode::Quiet, context.language) {
  quiet_ = output.Mode() == OutputMode::Quiet;
  if (output.Mode() == OutputMode::JsonDocument) report_.emplace(output.Command());
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

void TerminalUi::SetFolder(const std::string& folder) {
  folderPrefix_ = folder.empty() ? std::string() : TerminalText(folder + "/");
  SetFilesFolder(folder);
}

void TerminalUi::SetFilesFolder(const std::filesystem::path& folder) {
  if (report_) report_->SetFolder(folder);
}

void TerminalUi::OmitFileSizes() {
  if (report_) report_->OmitSizes();
}

void TerminalUi::SetJsonMember(std::string name, Json value) {
  if (report_) report_->Set(std::move(name), std::move(value));
}

void TerminalUi::Note(const MessageText& text) {
  if (report_) report_->RecordNote(text);
  if (quiet_) return;
  EndProgressLine();
  err_ << TerminalMessage(text, language_) << '\n';
}

void TerminalUi::ShowOutputPath(const std::string& path) {
  if (report_) {
    report_->SetOutput(path);
  } else if (!quiet_) {
    out_ << TerminalText(path) << '\n';
  }
}

int TerminalUi::Close(int exit) {
  EndProgressLine();
  // --quiet: the closing notices explain a failure (a test that found errors).
  if (exit != kSuccess) {
    for (const Message& message : heldBack_) ShowLines(message);
  }
  if (report_) report_->Write(out_, exit, interrupted.load(), language_);
  return exit;
}

void TerminalUi::Report(const OperationEvent& event) {
  if (report_) report_->Record(event);
  if (const auto* message = std::get_if<Message>(&event)) {
    ShowMessage(*message);
  } else if (const auto* file = std::get_if<FileStateChanged>(&event)) {
    PrintFile(*file);
  } else if (const auto* progress = std::get_if<Progress>(&event)) {
    ShowProgress(*progress);
  }
  // The summary, the list's clearing and the end are not shown: the command's own
  // output says what it did.
}

void TerminalUi::ShowMessage(const Message& message) {
  if (quiet_ && message.kind == MessageKind::Completion) {
    heldBack_.push_back(message);
    return;
  }
  ShowLines(message);
}

void TerminalUi::ShowLines(const Message& message) {
  EndProgressLine();
  err_ << TerminalMessage(message.text, language_) << '\n';
  // A detail of several lines (the groups a repair cannot rebuild) keeps its lines.
  const std::string lines = TerminalMessage(message.detail, language_);
  std::string_view detail = lines;
  while (!detail.empty()) {
    const size_t end = std::min(detail.find('\n'), detail.size());
    err_ << "  " << detail.substr(0, end) << '\n';
    detail.remove_prefix(std::min(end + 1, detail.size()));
  }
}

namespace {
// A file in one of these states is what an error message is about: --quiet still names it.
bool IsProblem(FileState state) {
  return state == FileState::Missing || state == FileState::Corrupt ||
         state == FileState::Fixable || state == FileState::Mismatch;
}
}  // namespace

void TerminalUi::PrintFile(const FileStateChanged& file) {
  // A file merely listed has no line; the JSON document has them all.
  if ((quiet_ && !IsProblem(file.state)) || report_) return;
  // A set's thousands of lines share a few states: each is put in words once.
  auto [state, added] = stateLines_.try_emplace(file.state);
  if (added) {
    const MessageText text = StateText(file.state);
    if (!text.empty()) state->second = TerminalText(text.In(language_));
  }
  if (state->second.empty()) return;
  EndProgressLine();
  // The line goes out in one write to the stream.
  std::string line;
  line.reserve(folderPrefix_.size() + file.name.size() + state->second.size() + 2);
  line += folderPrefix_;
  line += TerminalText(file.name);
  line += '\t';
  line += state->second;
  line += '\n';
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void TerminalUi::ShowProgress(const Progress& progress) {
  if (!progressBar_ || progress.total <= 0) return;
  constexpr int kWidth = 30;
  const int filled = progress.done * kWidth / progress.total;
  err_ << "\r[" << std::string(static_cast<size_t>(filled), '#')
       << std::string(static_cast<size_t>(kWidth - filled), ' ') << "] " << progress.done << "/"
       << progress.total << std::flush;
  progressShown_ = true;
}

namespace {
MessageText AnswerText(Answer a) {
  switch (a) {
    case Answer::Yes:
      return texts::kAnswerYes;
    case Answer::No:
      return texts::kAnswerNo;
    case Answer::Cancel:
      break;
  }
  return texts::kAnswerCancel;
}
}  // namespace

Reply TerminalUi::Ask(const Question& question) {
  EndProgressLine();
  std::optional<std::string> text;
  switch (question.kind) {
    case QuestionKind::Password:
      text = AskPassword();
      break;
    case QuestionKind::SaveAsName:
      text = AskSaveFileName(question.path);
      break;
    case QuestionKind::ResplitPlugin:
      text = ChooseResplitPlugin();
      break;
    default:
      return {AskYesNo(question), {}};
  }
  if (!text) return {Answer::Cancel, {}};
  // Copied, not moved: a short text moved away stays behind in the moved-from one.
  Reply reply{Answer::Yes, *text};
  WipeText(*text);
  return reply;
}

Answer TerminalUi::AskYesNo(const Question& question) {
  const bool withCancel = question.kind == QuestionKind::OutputExists;
  const std::string text = TerminalMessage(question.text, language_);
  if (decider_) {
    if (auto decided = decider_(question.kind)) {
      if (!quiet_ && showDecided_)
        err_ << text << "\n  → " << AnswerText(*decided).In(language_) << '\n';
      return *decided;
    }
  }
  if (!interactive_) {
    err_ << text << "\n  → " << AnswerText(Answer::No).In(language_) << '\n';
    return Answer::No;
  }
  for (;;) {
    err_ << text << (withCancel ? " [y/n/c] " : " [y/n] ") << std::flush;
    const auto line = readLine_(true);
    if (!line) return withCancel ? Answer::Cancel : Answer::No;
    if (*line == "y" || *line == "Y" || *line == "yes") return Answer::Yes;
    if (*line == "n" || *line == "N" || *line == "no") return Answer::No;
    if (withCancel && (*line == "c" || *line == "C")) return Answer::Cancel;
  }
}

std::optional<std::string> TerminalUi::AskPassword() {
  if (!interactive_) {
    ShowError(texts::kPasswordNeeded);
    return std::nullopt;
  }
  err_ << msg::kPasswordPrompt().In(language_) << ' ' << std::flush;
  std::optional<std::string> typed = readLine_(false);
  if (!typed) return std::nullopt;
  const WipedOnExit wipe(*typed);
  const SecretText password = PasswordInUtf8(*typed, encoding_);
  return std::optional<std::string>(std::in_place, password.View());
}

std::optional<SecretText> TerminalUi::AskNewPassword() {
  const auto refuse = [this](const MessageText& why) -> std::optional<SecretText> {
    ShowError(why);
    return std::nullopt;
  };
  if (!interactive_) return refuse(texts::kEncryptNeedsPassword());
  err_ << texts::kNewPasswordPrompt().In(language_) << ' ' << std::flush;
  std::string first = readLine_(false).value_or("");
  const WipedOnExit wipeFirst(first);
  if (first.empty()) return refuse(texts::kNewPasswordEmpty());
  err_ << texts::kNewPasswordAgain().In(language_) << ' ' << std::flush;
  std::optional<std::string> second = readLine_(false);
  if (!second) return refuse(texts::kNewPasswordEmpty());  // the input ended
  const WipedOnExit wipeSecond(*second);
  if (*second != first) return refuse(texts::kNewPasswordsDiffer());
  return PasswordInUtf8(first, encoding_);
}

std::optional<std::string> TerminalUi::AskSaveFileName(const std::filesystem::path& proposal) {
  if (!interactive_) return std::nullopt;
  err_ << TerminalMessage(texts::kSaveAsPrompt(proposal), language_) << std::flush;
  const auto line = readLine_(true);
  if (!line || line->empty()) return std::nullopt;
  const std::filesystem::path chosen(*line);
  return (chosen.is_absolute() ? chosen : proposal.parent_path() / chosen).string();
}

std::optional<std::string> TerminalUi::ChooseResplitPlugin() {
  ShowError(texts::kPluginNeeded);
  return std::nullopt;
}

bool TerminalUi::AbortRequested() { return interrupted.load(); }

namespace {

// Waits until stdin has a line; false when a stop signal came first. Polling in short
// steps, a signal that comes just before the wait is not missed.
bool WaitForLine() {
  if (std::cin.rdbuf()->in_avail() > 0) return true;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  while (!interrupted.load()) {
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
  line.reserve(256);  // on the heap: a move hands the text over and leaves no copy
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
