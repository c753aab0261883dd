#include "app/cli/PluginsCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "app/cli/CliMessages.h"
#include "app/cli/JsonReport.h"
#include "app/cli/TerminalText.h"
#include "pendant/PluginInfo.h"

namespace kivora::cli {

CLI::App* PluginsCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand("plugins", "List the pendant plug-ins");
  plugin_.Register(*cmd, false);
  cmd->add_flag("--json", json_, "Print one JSON document: the plug-ins as its plugins member");
  std::string folders;
  for (const auto& folder : pendant::DefaultPendantLocations().pluginFolders)
    folders += "  " + folder.string() + "\n";
  cmd->footer(
      "Plug-ins (*.dll) are looked for, in this order, in:\n"
      "  1. plugin/ beside the program (portable use);\n"
      "  2. $XDG_DATA_HOME/kivora/plugin (default ~/.local/share/kivora/plugin);\n"
      "  3. <datadir>/kivora/plugin of the installed program (e.g. /usr/share/kivora/plugin).\n"
      "--plugin-dir replaces these folders. For this program and environment they are:\n" +
      folders);
  return cmd;
}

int PluginsCommand::Run(Context& context) {
  const PendantLocations locations = plugin_.Locations();
  const auto plugins = pendant::ListPlugins(locations.pluginFolders);
  JsonReport report("plugins");
  if (plugins.empty()) {
    context.err << context.Text(texts::kNoPlugins) << '\n';
    std::string folders;
    for (const auto& folder : locations.pluginFolders) {
      context.err << "  " << TerminalText(folder.string()) << '\n';
      folders += (folders.empty() ? "" : "\n") + folder.string();
    }
    report.RecordNote(texts::kNoPlugins, MessageText::Plain(folders));
  } else if (!json_) {
    context.out << context.Text(texts::kPluginColumns) << '\n';
  }
  Json list = Json::array();
  for (const pendant::PluginInfo& p : plugins) {
    if (json_) {
      list.push_back({{"fileName", p.fileName},
                      {"name", p.name},
                      {"version", p.version},
                      {"extension", p.extension},
                      {"author", p.author},
                      {"pictures", p.pictureIds.size()}});
      continue;
    }
    context.out << TerminalText(p.fileName) << '\t' << TerminalText(p.name) << '\t'
                << TerminalText(p.version) << '\t' << TerminalText(p.extension) << '\t'
                << TerminalText(p.author) << '\t' << p.pictureIds.size() << '\n';
  }
  if (json_) {
    report.Set("plugins", std::move(list));
    report.Write(context.out, kSuccess, false, context.language);
  }
  return kSuccess;
}

}  // namespace kivora::cli
