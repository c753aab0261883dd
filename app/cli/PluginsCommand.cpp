#include "app/cli/PluginsCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "pendant/PluginInfo.h"
#include "app/cli/TerminalText.h"

namespace kivora::cli {

CLI::App* PluginsCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("plugins", "List the pendant plug-ins");
  plugin_.Register(*cmd, false);
  return cmd;
}

int PluginsCommand::Run(Context& context) {
  const PendantLocations locations = plugin_.Locations();
  const auto plugins = pendant::ListPlugins(locations.pluginFolders);
  if (plugins.empty()) {
    context.err << "找不到圖像掛件。\n";
    for (const auto& folder : locations.pluginFolders)
      context.err << "  " << TerminalText(folder.string()) << '\n';
    return kSuccess;
  }
  context.out << "檔名\t掛件名稱\t版本\t副檔名\t作者\t圖像數\n";
  for (const pendant::PluginInfo& p : plugins) {
    context.out << TerminalText(p.fileName) << '\t' << TerminalText(p.name) << '\t'
                << TerminalText(p.version) << '\t' << TerminalText(p.extension) << '\t'
                << TerminalText(p.author) << '\t' << p.pictureIds.size() << '\n';
  }
  return kSuccess;
}

}  // namespace kivora::cli
