#include "ResplitCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "EngineCall.h"
#include "Messages.h"
#include "PartList.h"
#include "Resplit.h"

namespace kivora::cli {

CLI::App* ResplitCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("resplit", "Rebuild parts of a set from its source file");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  cmd->add_option("SOURCE", source_, "The file that was split")->required();
  cmd->add_option("-o,--output-dir", outputDir_, "Folder for the rebuilt parts (default: the definition's)");
  auto* parts = cmd->add_option("--parts", parts_, "Part indices from 0, e.g. 0,3,5-7 (default: all)");
  auto* all = cmd->add_flag("--all", all_, "Rebuild every part");
  parts->excludes(all);
  cmd->add_flag("--mkdir", mkdir_, "Create the output folder (one level) when it is missing");
  password_.Register(*cmd);
  plugin_.Register(*cmd, true);
  return cmd;
}

int ResplitCommand::Run(Context& context) {
  std::optional<std::vector<int>> selected;
  if (!parts_.empty()) {
    selected = ParsePartList(parts_);
    if (!selected) {
      context.err << "--parts: 「" << parts_ << "」不是分割檔編號的清單 (例如 0,3,5-7)。\n";
      return kUsage;
    }
  }
  TerminalUi ui(context.out, context.err, context.stdinIsTerminal, context.stderrIsTerminal);
  return CallEngine(ui, msg::kResplitFailed311, int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(plugin_.Locations());
    if (!Load(ui, pendants)) return kFailed;
    ResplitRequest request;
    request.definitionPath = definition_;
    request.source = source_;
    if (!outputDir_.empty()) request.outputFolder = outputDir_;
    request.selected = selected;
    request.password = password_.Resolve();
    if (!plugin_.plugin.empty()) request.pluginName = plugin_.PluginName();
    const bool interactive = context.stdinIsTerminal;
    ui.SetDecider([&](std::string_view question) -> std::optional<Answer> {
      if (question == msg::kCreateFolderQuestion) return ByFlag(mkdir_, interactive);
      return std::nullopt;
    });
    return RunResplit(loaded_, request, pendants, ui) ? kSuccess : kFailed;
  });
}

}  // namespace kivora::cli
