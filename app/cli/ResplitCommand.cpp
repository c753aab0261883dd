#include "app/cli/ResplitCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/cli/CliMessages.h"
#include "app/cli/PartList.h"
#include "core/operations/EngineCall.h"
#include "core/operations/ResplitOperation.h"
#include "core/text/Messages.h"

namespace kivora::cli {

CLI::App* ResplitCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("resplit", "Rebuild parts of a set from its source file");
  cmd->add_option("DEF", definition_, "Definition file, or a part carrying one")->required();
  cmd->add_option("SOURCE", source_, "The file that was split")->required();
  cmd->add_option("-o,--output-dir", outputDir_,
                  "Folder for the rebuilt parts (default: the definition's)");
  partsOption_ =
      cmd->add_option("--parts", parts_, "Part indices from 0, e.g. 0,3,5-7 (default: all)");
  auto* all = cmd->add_flag("--all", all_, "Rebuild every part");
  partsOption_->excludes(all);
  cmd->add_flag("--mkdir", mkdir_, "Create the output folder (one level) when it is missing");
  password_.Register(*cmd, true);
  plugin_.Register(*cmd, true);
  output_.Register(*cmd);
  return cmd;
}

int ResplitCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  ui.SetFilesFolder(!outputDir_.empty() ? std::filesystem::path(outputDir_)
                                        : std::filesystem::path(definition_).parent_path());
  return ui.Close(CallEngine(ui, msg::kResplitFailed311, int{kFailed}, [&]() -> int {
    const pendant::PendantLibrary pendants(plugin_.Locations());
    if (!Load(ui, pendants)) return kFailed;
    ResplitRequest request;
    if (partsOption_->count() > 0) {
      const int count = loaded_.header.PartCount;
      const PartList list = ParsePartList(parts_, count);
      if (list.status == PartList::Status::Malformed) {
        ui.ShowError(texts::kNotAPartList(std::string(list.fault)));
        return kUsage;
      }
      if (list.status == PartList::Status::OutOfRange) {
        ui.ShowError(texts::kNoSuchPart(std::string(list.fault), count));
        return kUsage;
      }
      request.selected = list.indices;  // none named: the engine asks for a selection
    } else if (loaded_.parts.empty()) {
      request.selected.emplace();  // a set without parts leaves nothing to rebuild
    }
    request.definitionPath = definition_;
    request.source = source_;
    if (!outputDir_.empty()) request.outputFolder = outputDir_;
    password_.Fill(request);
    NoteUnusedPassword(request.password, ui);
    if (!plugin_.plugin.empty()) request.pluginName = plugin_.PluginName();
    const bool interactive = context.stdinIsTerminal;
    ui.SetDecider([&](QuestionKind kind) -> std::optional<Answer> {
      if (kind == QuestionKind::CreateFolder) return ByFlag(mkdir_, interactive);
      return std::nullopt;
    });
    request.loaded = loaded_;
    return RunResplit(request, pendants, ui).completed ? kSuccess : kFailed;
  }));
}

}  // namespace kivora::cli
