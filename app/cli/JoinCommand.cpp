#include "app/cli/JoinCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/cli/CliMessages.h"
#include "core/operations/EngineCall.h"
#include "core/operations/JoinOperation.h"
#include "core/text/Messages.h"

namespace kivora::cli {

CLI::App* JoinCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("join", "Join a set back into its source file");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  auto* dir = cmd->add_option("-o,--output-dir", outputDir_,
                              "Folder of the joined file (default: the definition's)");
  auto* file = cmd->add_option("--output", outputFile_, "Path of the joined file");
  dir->excludes(file);
  cmd->add_flag("--skip-missing", skipMissing_, "Go on when a part is missing");
  cmd->add_flag("--force-corrupt", forceCorrupt_, "Join a part whose checksum does not match");
  cmd->add_flag("--overwrite", overwrite_, "Replace an existing joined file");
  cmd->add_flag("--mkdir", mkdir_, "Create the output folder (one level) when it is missing");
  password_.Register(*cmd, true);
  output_.Register(*cmd);
  return cmd;
}

int JoinCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.SetFilesFolder(std::filesystem::path(definition_).parent_path());
  return ui.Close(CallEngine(ui, msg::kJoinInterrupted, int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    if (!Load(ui, pendants)) return kFailed;
    JoinRequest request;
    request.definitionPath = definition_;
    if (!outputDir_.empty()) request.outputFolder = outputDir_;
    if (!outputFile_.empty()) request.outputFile = outputFile_;
    password_.Fill(request);
    NoteUnusedPassword(request.password, ui);
    // A join stopped by a signal removes what it had not finished.
    request.keepPartialOnAbort = false;

    const bool interactive = context.stdinIsTerminal;
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
    JoinOutcome outcome;
    if (!CallEngine(ui, JoinFailure(), false,
                    [&] { return RunJoin(loaded_, request, pendants, ui, &outcome); })) {
      return kFailed;
    }
    ui.ShowOutputPath(outcome.output.string());
    return kSuccess;
  }));
}

}  // namespace kivora::cli
