#include "app/cli/TestCommand.h"

#include <CLI/CLI.hpp>

#include "app/cli/CliMessages.h"
#include "core/operations/EngineCall.h"
#include "core/operations/RepairOperation.h"
#include "core/operations/TestOperation.h"
#include "core/text/Messages.h"

namespace kivora::cli {

CLI::App* TestCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("test", "Test every part of a set without writing anything");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  password_.Register(*cmd);
  output_.Register(*cmd);
  return cmd;
}

bool TestCommand::ReportRecovery(TerminalUi& ui, const pendant::PendantLibrary& pendants,
                                 const SetCipher* cipher) {
  const RepairOutcome r = AssessRecovery(
      definition_, pendants, [&ui] { return ui.AbortRequested(); }, cipher);
  if (!r.found) return true;
  if (r.damaged == 0) {
    ui.ShowCompletion(msg::kRepairNothingToDo);
  } else if (r.rebuildable == r.damaged) {
    ui.ShowCompletion(msg::kRepairAllPossible(r.damaged));
  } else {
    ui.ShowCompletion(msg::kRepairPartlyPossible(r.damaged, r.rebuildable));
  }
  if (r.unauthentic > 0 && r.partsRebuildable) ui.Note(texts::kRepairNeedsPassword(r.unauthentic));
  return r.damaged == 0;
}

int TestCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.SetFilesFolder(std::filesystem::path(definition_).parent_path());
  return ui.Close(CallEngine(ui, TestFailure(), int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    if (!Load(ui, pendants)) return kFailed;
    // The closing questions offer a join: the test command only tests.
    ui.SetDecider([](QuestionKind kind) -> std::optional<Answer> {
      if (kind == QuestionKind::JoinAfterFixableTest || kind == QuestionKind::JoinAfterCleanTest) {
        return Answer::No;
      }
      return std::nullopt;
    });
    // Given the password, the test also proves an encrypted set's sealed chunks; it never
    // asks for one.
    TestRequest request{.definitionPath = definition_,
                        .loaded = loaded_,
                        .password = NoteUnusedPassword(password_.Resolve(), ui)};
    const TestOutcome outcome = RunTest(request, pendants, ui);
    if (outcome.authenticated) ui.Note(texts::kSetAuthenticated);
    // The set is as it was written only when its recovery parts are too.
    const bool recoveryIntact =
        outcome.ran && !outcome.aborted && ReportRecovery(ui, pendants, outcome.cipher.get());
    return recoveryIntact && !outcome.HasErrors() ? kSuccess : kFailed;
  }));
}

}  // namespace kivora::cli
