#include "TestCommand.h"

#include <CLI/CLI.hpp>

#include "EngineCall.h"
#include "Messages.h"
#include "PartTest.h"

namespace kivora::cli {

CLI::App* TestCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("test", "Test every part of a set without writing anything");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  return cmd;
}

int TestCommand::Run(Context& context) {
  TerminalUi ui(context.out, context.err, context.stdinIsTerminal, context.stderrIsTerminal);
  return CallEngine(ui, msg::kTestInterrupted, int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
    if (!Load(ui, pendants)) return kFailed;
    // The closing question offers a join: the test command only tests.
    ui.SetDecider([](std::string_view) { return Answer::No; });
    const TestOutcome outcome = RunTest(loaded_, definition_, pendants, ui);
    return outcome.ran && !outcome.aborted && !outcome.HasErrors() ? kSuccess : kFailed;
  });
}

}  // namespace kivora::cli
