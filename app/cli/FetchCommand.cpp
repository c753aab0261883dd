#include "app/cli/FetchCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "app/cli/CliMessages.h"
#include "app/cli/FetchProgressLine.h"
#include "core/format/LoadedDefinition.h"
#include "core/operations/EngineCall.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/RepairOperation.h"
#include "net/AddressList.h"
#include "net/FetchMessages.h"
#include "net/FetchProof.h"

namespace kivora::cli {

CLI::App* FetchCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "fetch",
      "Fetch a set from the addresses its files were put at, proving every file against its "
      "definition");
  cmd->add_option("LIST|ADDRESS", sources_,
                  "List files as the file-list page writes them, or addresses (http, https, "
                  "ftp, ftps, sftp, s3); several addresses of one file name are mirrors")
      ->required();
  cmd->add_option("-o,--output-dir", folder_,
                  "Folder the set is fetched into (default: the current one)");
  cmd->add_flag("--join", join_,
                "Then rebuild what no address served from the recovery parts, and join the set");
  cmd->add_flag("--overwrite", overwrite_, "With --join, replace an existing joined file");
  cmd->add_option("--jobs", jobs_, "Transfers at once (default 4; at most 2 to one host)")
      ->check(CLI::Range(1, 32));
  password_.Register(*cmd);
  hosts_.Register(*cmd);
  output_.Register(*cmd);
  return cmd;
}

bool FetchCommand::Report(TerminalUi& ui, const net::FetchOutcome& outcome) {
  int fetched = 0, present = 0, lost = 0;
  for (const net::FetchedFile& file : outcome.files) {
    switch (file.state) {
      case net::FetchState::Fetched:
        ++fetched;
        if (!file.from.empty()) ui.Note(net::texts::kFetchedFrom(file.name, file.from));
        break;
      case net::FetchState::Present:
        ++present;
        break;
      default:
        ++lost;
        if (!outcome.stopped) ui.ShowError(net::texts::kCouldNotFetch(file.name, file.why));
        break;
    }
  }
  ui.Note(net::texts::kFetchSummary(static_cast<int>(outcome.files.size()), fetched, present));
  if (lost > 0 && !outcome.stopped) ui.ShowError(net::texts::kFetchIncomplete(lost));
  return lost == 0;
}

bool FetchCommand::RepairAndJoin(TerminalUi& ui, const net::FetchOutcome& outcome, bool whole,
                                 const pendant::PendantLibrary& pendants,
                                 std::optional<SecretText> password) {
  const bool recoveryHere =
      std::any_of(outcome.files.begin(), outcome.files.end(), [](const net::FetchedFile& f) {
        return f.role.kind == FileRole::Kind::Recovery && f.Here();
      });
  if (!whole) {
    if (!recoveryHere) return false;
    if (!RunRepair(outcome.definitionPath, false, pendants, ui).completed) return false;
    // What came of the files the repair rebuilt is of no more use.
    for (const net::FetchedFile& f : outcome.files) {
      std::error_code ignored;
      if (!f.Here())
        std::filesystem::remove(outcome.definitionPath.parent_path() / net::PartialName(f.name),
                                ignored);
    }
  }
  KvrDefinition loaded;
  if (!LoadDefinition(outcome.definitionPath, pendants, OperationKind::Join, ui, loaded)) {
    return false;
  }
  JoinRequest request;
  request.definitionPath = outcome.definitionPath;
  request.password = std::move(password);
  request.keepPartialOnAbort = false;
  // The joined file is the source byte for byte, or there is none.
  ui.SetDecider([this, &ui](QuestionKind kind) -> std::optional<Answer> {
    switch (kind) {
      case QuestionKind::OutputExists:
        if (overwrite_) return Answer::No;  // No: replace the file
        ui.ShowError(texts::kOutputExists);
        return Answer::Cancel;
      case QuestionKind::CreateFolder:
        return Answer::Yes;
      default:
        return Answer::No;
    }
  });
  JoinOutcome joined;
  const bool ok = CallEngine(ui, JoinFailure(), false,
                             [&] { return RunJoin(loaded, request, pendants, ui, &joined); });
  if (ok) ui.ShowOutputPath(joined.output.string());
  return ok && !joined.Incomplete();
}

int FetchCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.SetFilesFolder(folder_);
  return ui.Close(
      CallEngine(ui, OperationFailure{net::texts::kFetchFailed}, int{kFailed}, [&]() -> int {
        net::FetchRequest request;
        request.addresses = net::GatherAddresses(sources_);
        request.folder = folder_;
        request.limits.total = jobs_;
        request.limits.access = hosts_.Resolve();
        request.password = password_.Resolve();
        FetchProgressLine line(ui, context.err,
                               context.stderrIsTerminal && output_.Mode() == OutputMode::Text);
        request.onProgress = [&line](const net::FetchProgress& p) { line.Show(p); };
        const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
        const net::FetchOutcome outcome = net::RunFetch(request, pendants, line);
        line.Clear();
        if (outcome.refused) return kFailed;
        const bool whole = Report(ui, outcome);
        if (outcome.stopped) {
          ui.ShowInterruption(net::texts::kFetchInterrupted);
          return kFailed;
        }
        if (!join_) return whole ? kSuccess : kFailed;
        return RepairAndJoin(ui, outcome, whole, pendants, request.password) ? kSuccess : kFailed;
      }));
}

}  // namespace kivora::cli
