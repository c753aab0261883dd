#include "app/cli/PluginsCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/cli/CliMessages.h"
#include "app/cli/TerminalText.h"
#include "pendant/PluginInfo.h"

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
    context.err << context.Text(texts::kNoPlugins) << '\n';
    for (const auto& folder : locations.pluginFolders)
      context.err << "  " << TerminalText(folder.string()) << '\n';
    return kSuccess;
  }
  context.out << context.Text(texts::kPluginColumns) << '\n';
  for (const pendant::PluginInfo& p : plugins) {
    context.out << TerminalText(p.fileName) << '\t' << TerminalText(p.name) << '\t'
                << TerminalText(p.version) << '\t' << TerminalText(p.extension) << '\t'
                << TerminalText(p.author) << '\t' << p.pictureIds.size() << '\n';
  }
  return kSuccess;
}

}  // namespace kivora::cli
