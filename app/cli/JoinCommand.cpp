#include "app/cli/JoinCommand.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <ostream>
#include <utility>

#include "app/cli/CliMessages.h"
#include "app/cli/JsonReport.h"
#include "app/cli/TerminalText.h"
#include "core/operations/EngineCall.h"
#include "core/operations/JoinOperation.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora::cli {
namespace {

// While it lives a write to a pipe whose reader went away fails with EPIPE, which the
// join reports, instead of SIGPIPE ending the process without a word.
class SigpipeIgnored {
 public:
  SigpipeIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous_);
  }
  ~SigpipeIgnored() { sigaction(SIGPIPE, &previous_, nullptr); }
  SigpipeIgnored(const SigpipeIgnored&) = delete;
  SigpipeIgnored& operator=(const SigpipeIgnored&) = delete;

 private:
  struct sigaction previous_ {};
};

// What went down the pipe cannot be taken back: the reader is told where it is cut short,
// in bytes and by part.
MessageText StreamEnd(const JoinOutcome& outcome, const KvrDefinition& def) {
  if (outcome.streamed == 0) return texts::kStdoutNothingWritten;
  const std::string bytes = GroupThousands(outcome.streamed);
  if (const auto part = outcome.PartCutShort()) {
    return texts::kStdoutStopsWithin(bytes, def.parts[static_cast<size_t>(*part)].FileName);
  }
  if (!outcome.stoppedAt.empty()) return texts::kStdoutStopsBefore(bytes, outcome.stoppedAt);
  return texts::kStdoutStopsAfter(bytes);
}

}  // namespace

CLI::App* JoinCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("join", "Join a set back into its source file");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  auto* dir = cmd->add_option(
      "-o,--output-dir", outputDir_,
      "Folder of the joined file (default: the definition's); - writes the joined bytes to "
      "standard output");
  auto* file = cmd->add_option("--output", outputFile_,
                               "Path of the joined file; - writes it to standard output");
  // "-" for either writes the joined bytes to standard output.
  dir->excludes(file);
  cmd->add_flag("--skip-missing", skipMissing_, "Go on when a part is missing");
  cmd->add_flag("--force-corrupt", forceCorrupt_, "Join a part whose checksum does not match");
  cmd->add_flag("--overwrite", overwrite_, "Replace an existing joined file");
  cmd->add_flag("--mkdir", mkdir_, "Create the output folder (one level) when it is missing");
  password_.Register(*cmd, true);
  output_.Register(*cmd);
  return cmd;
}

bool JoinCommand::RefuseStdoutConflicts(Context& context) const {
  const std::pair<const char*, bool> conflicts[] = {
      {"--overwrite", overwrite_},
      {"--mkdir", mkdir_},
      {"--json", output_.Mode() == OutputMode::JsonDocument},
  };
  for (const auto& [option, given] : conflicts) {
    if (!given) continue;
    context.err << context.Text(texts::kNotWithStdout(option)) << '\n';
    // Nothing was joined, so standard output is free for the document asked for.
    if (output_.Mode() == OutputMode::JsonDocument) {
      JsonReport::WriteUsage(context.out, output_.Command(), texts::kNotWithStdout(option),
                             context.language);
    }
    return false;
  }
  return true;
}

int JoinCommand::Run(Context& context) {
  const bool toStdout = ToStdout();
  if (toStdout && !RefuseStdoutConflicts(context)) return kUsage;
  // Standard output carries the joined bytes alone: the parts' states go to stderr.
  const Context reports{toStdout ? context.err : context.out,
                        context.err,
                        context.stdinIsTerminal,
                        context.stderrIsTerminal,
                        context.language,
                        context.outputDescriptor};
  TerminalUi ui(reports, output_);
  ui.SetFilesFolder(std::filesystem::path(definition_).parent_path());
  std::optional<SigpipeIgnored> sigpipe;
  if (toStdout) sigpipe.emplace();
  return ui.Close(CallEngine(ui, msg::kJoinFailedClosing, int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    if (!Load(ui, pendants)) return kFailed;
    JoinRequest request;
    request.definitionPath = definition_;
    if (toStdout) {
      request.outputStream = JoinRequest::Stream{context.outputDescriptor, "/dev/stdout"};
    } else {
      if (!outputDir_.empty()) request.outputFolder = outputDir_;
      if (!outputFile_.empty()) request.outputFile = outputFile_;
    }
    password_.Fill(request);
    NoteUnusedPassword(request.password, ui);

    // Writing to standard output, a part is skipped or forced by the flags alone.
    const bool interactive = context.stdinIsTerminal && !toStdout;
    if (toStdout) ui.HideDecidedQuestions();
    ui.SetDecider([&](QuestionKind kind) -> std::optional<Answer> {
      switch (kind) {
        case QuestionKind::MissingPart:
          return ByFlag(skipMissing_, interactive);
        case QuestionKind::CorruptPart:
          return ByFlag(forceCorrupt_, interactive);
        case QuestionKind::CreateFolder:
          return ByFlag(mkdir_, interactive);
        case QuestionKind::OutputExists:
          if (overwrite_) return Answer::No;  // No: replace the file
          if (interactive) return std::nullopt;
          ui.ShowError(texts::kOutputExists);
          return Answer::Cancel;
        default:
          return std::nullopt;
      }
    });
    request.loaded = loaded_;
    JoinOutcome outcome = RunJoin(request, pendants, ui);
    loaded_ = std::move(outcome.definition);
    return Report(ui, context, outcome.completed, outcome);
  }));
}

int JoinCommand::Report(TerminalUi& ui, Context& context, bool joined,
                        const JoinOutcome& outcome) const {
  const int success = outcome.Incomplete() ? kIncomplete : kSuccess;
  if (!ToStdout()) {
    if (joined) ui.ShowOutputPath(outcome.output.string());
    return joined ? success : kFailed;
  }
  if (joined) return success;
  context.err << TerminalMessage(StreamEnd(outcome, loaded_), context.language) << '\n';
  return kFailed;
}

}  // namespace kivora::cli
