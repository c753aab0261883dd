#include "app/cli/CheckCommand.h"

#include <CLI/CLI.hpp>

#include "app/cli/StateWords.h"
#include "core/operations/EngineCall.h"
#include "net/AddressList.h"
#include "net/CheckMessages.h"
#include "pendant/PendantLibrary.h"

namespace kivora::cli {
namespace {

std::string_view CopyStateWord(net::CopyState state) {
  switch (state) {
    case net::CopyState::Proved:
      return "proved";
    case net::CopyState::Wrong:
      return "wrong";
    case net::CopyState::Missing:
      return "missing";
    case net::CopyState::Failed:
      break;
  }
  return "failed";
}

std::string_view ProofWord(net::CopyProof proof) {
  switch (proof) {
    case net::CopyProof::HostChecksum:
      return "host-checksum";
    case net::CopyProof::Streamed:
      return "streamed";
    case net::CopyProof::None:
      break;
  }
  return "none";
}

}  // namespace

CLI::App* CheckCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "check",
      "Prove the copies of a set on its hosts without fetching them, and say what a repair "
      "could rebuild");
  cmd->add_option("LIST|ADDRESS", sources_,
                  "List files as the file-list page writes them, or addresses (http, https, "
                  "ftp, ftps, sftp, s3); every address of a file is checked")
      ->required();
  hosts_.Register(*cmd);
  output_.Register(*cmd);
  return cmd;
}

void CheckCommand::Report(TerminalUi& ui, const net::CheckOutcome& outcome) {
  Json copies = Json::array();
  int proved = 0;
  for (const net::CheckedFile& file : outcome.files) {
    proved += file.Proved() ? 1 : 0;
    for (const net::CheckedCopy& copy : file.copies) {
      const std::string& at = copy.address.url;
      switch (copy.state) {
        case net::CopyState::Proved:
          ui.Note(copy.proof == net::CopyProof::HostChecksum
                      ? net::texts::kCopyProvedByHost(file.name, at)
                      : net::texts::kCopyProvedStreamed(file.name, at));
          break;
        case net::CopyState::Wrong:
          ui.ShowWarning(net::texts::kCopyWrong(file.name, at, copy.why));
          break;
        case net::CopyState::Missing:
          ui.ShowWarning(net::texts::kCopyMissing(file.name, at));
          break;
        case net::CopyState::Failed:
          ui.ShowWarning(net::texts::kCopyFailed(file.name, at, copy.why));
          break;
      }
      Json entry{{"name", file.name},
                 {"address", at},
                 {"state", CopyStateWord(copy.state)},
                 {"proof", ProofWord(copy.proof)}};
      if (copy.length >= 0) entry["length"] = copy.length;
      copies.push_back(std::move(entry));
    }
  }
  const int total = static_cast<int>(outcome.files.size());
  ui.Note(net::texts::kCheckSummary(total, proved, total - proved));
  const net::RepairPlan& plan = outcome.plan;
  if (proved == total) {
    ui.ShowCompletion(net::texts::kPlanNothingLost);
  } else if (plan.recoveryFound && plan.rebuildable == plan.lost) {
    ui.ShowCompletion(net::texts::kPlanRebuildable(plan.lost));
  } else if (plan.sourceRebuildable) {
    ui.ShowWarning(net::texts::kPlanPartly(plan.lost, plan.rebuildable));
  } else {
    ui.ShowError(net::texts::kPlanLost(plan.lost, plan.rebuildable));
  }
  ui.SetJsonMember("copies", std::move(copies));
  ui.SetJsonMember("plan", Json{{"recoveryFound", plan.recoveryFound},
                                {"lost", plan.lost},
                                {"rebuildable", plan.rebuildable},
                                {"sourceRebuildable", plan.sourceRebuildable}});
}

int CheckCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.OmitFileSizes();
  return ui.Close(
      CallEngine(ui, OperationFailure{net::texts::kCheckFailed}, int{kFailed}, [&]() -> int {
        net::CheckRequest request;
        request.addresses = net::GatherAddresses(sources_);
        request.access = hosts_.Resolve();
        const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
        const net::CheckOutcome outcome = net::RunCheck(request, pendants, ui);
        if (outcome.stopped) {
          ui.ShowInterruption(net::texts::kCheckInterrupted);
          return kFailed;
        }
        Report(ui, outcome);
        return outcome.AllProved() ? kSuccess : kFailed;
      }));
}

}  // namespace kivora::cli
