#include "app/cli/AddRecoveryCommand.h"

#include <CLI/CLI.hpp>

#include "app/cli/RecoveryAmountArgument.h"
#include "core/operations/AddRecoveryOperation.h"
#include "core/operations/EngineCall.h"

namespace kivora::cli {

CLI::App* AddRecoveryCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "add-recovery",
      "Test a set, then write its recovery parts as split --recovery would have, replacing "
      "those it has (no password needed; parts and definition stay as they are)");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  cmd->add_option("AMOUNT", amount_,
                  "Recovery parts: R per group (1 to 254), or P% of each group's parts")
      ->required()
      ->check([](const std::string& text) { return CheckRecoveryAmount(text, true); });
  output_.Register(*cmd);
  return cmd;
}

int AddRecoveryCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.SetFilesFolder(std::filesystem::path(definition_).parent_path());
  return ui.Close(CallEngine(ui, AddRecoveryFailure(), int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    if (!Load(ui, pendants)) return kFailed;
    const AddRecoveryOutcome out = RunAddRecovery(
        {.definitionPath = definition_, .loaded = loaded_, .amount = *ParseRecoveryAmount(amount_)},
        pendants, ui);
    return out.completed ? kSuccess : kFailed;
  }));
}

}  // namespace kivora::cli
