#include "app/cli/FetchCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "app/cli/CliMessages.h"
#include "app/cli/FetchProgressLine.h"
#include "core/operations/EngineCall.h"
#include "core/text/Messages.h"
#include "net/AddressList.h"
#include "net/FetchAndJoin.h"
#include "net/FetchMessages.h"

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
  cmd->add_option("--stall-timeout", stallSeconds_,
                  "Seconds a transfer may bring no byte before it is cut and tried again or "
                  "elsewhere (default 60)")
      ->check(CLI::Range(1, 3600));
  password_.Register(*cmd);
  hosts_.Register(*cmd);
  output_.Register(*cmd);
  return cmd;
}

void FetchCommand::Report(TerminalUi& ui, const net::FetchOutcome& outcome) {
  for (const net::FetchedFile& file : outcome.files) {
    if (file.state == net::FetchState::Fetched && !file.from.empty())
      ui.Note(net::texts::kFetchedFrom(file.name, file.from));
  }
}

int FetchCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.SetFilesFolder(folder_);
  return ui.Close(
      CallEngine(ui, OperationFailure{msg::kFetchFailedClosing}, int{kFailed}, [&]() -> int {
        net::FetchRequest request;
        request.addresses = net::GatherAddresses(sources_);
        request.folder = folder_;
        request.limits.total = jobs_;
        request.limits.stallSeconds = stallSeconds_;
        request.limits.access = hosts_.Resolve();
        request.password = password_.Resolve();
        FetchProgressLine line(ui, context.err,
                               context.stderrIsTerminal && output_.Mode() == OutputMode::Text);
        const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
        if (!join_) {
          const net::FetchOutcome outcome = net::RunFetch(request, pendants, line);
          line.Clear();
          Report(ui, outcome);
          return outcome.Whole() ? kSuccess : kFailed;
        }
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
        const net::FetchAndJoinOutcome outcome = net::FetchAndJoin(request, pendants, line);
        line.Clear();
        Report(ui, outcome.fetched);
        if (outcome.joined) ui.ShowOutputPath(outcome.join->output.string());
        return outcome.joined ? kSuccess : kFailed;
      }));
}

}  // namespace kivora::cli
