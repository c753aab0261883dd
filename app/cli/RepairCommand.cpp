#include "app/cli/RepairCommand.h"

#include <CLI/CLI.hpp>

#include "app/cli/CliMessages.h"
#include "app/cli/TerminalUi.h"
#include "core/operations/EngineCall.h"
#include "core/operations/RepairOperation.h"
#include "core/text/Messages.h"
#include "pendant/PendantLibrary.h"

namespace kivora::cli {

CLI::App* RepairCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "repair",
      "Rebuild lost or damaged parts, recovery parts and the definition of a set "
      "from its recovery parts (no source or plug-in needed; given the password, a part of an "
      "encrypted set whose tags fail counts as damaged)");
  cmd->add_option("DEF", definition_,
                  "Definition file, a part carrying one, or a recovery part; a lost one by its "
                  "name")
      ->required();
  cmd->add_flag("--dry-run", dryRun_, "Only check and say what would be rebuilt");
  password_.Register(*cmd);
  output_.Register(*cmd);
  return cmd;
}

int RepairCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  const std::filesystem::path definition = definition_;
  ui.SetFolder(definition.parent_path().string());
  return ui.Close(CallEngine(ui, RepairFailure(), int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    const RepairOutcome outcome =
        RunRepair({.definition = definition, .dryRun = dryRun_, .password = password_.Resolve()},
                  pendants, ui);
    // No recovery part of the set was found (322): say how to make them.
    if (!outcome.found && !ui.AbortRequested()) ui.Note(texts::kAddRecoveryAnew(definition_));
    return outcome.completed ? kSuccess : kFailed;
  }));
}

}  // namespace kivora::cli
