#include "app/cli/PluginOptions.h"

#include <CLI/CLI.hpp>

namespace kivora::cli {

void PluginOptions::Register(CLI::App& command, bool withPlugin) {
  if (withPlugin) {
    command.add_option("--plugin", plugin,
                       "Pendant plug-in (FILE.dll in the plug-in folder, or a path)");
  }
  command.add_option("--plugin-dir", pluginDir, "Folder of the pendant plug-ins");
}

std::string PluginOptions::PluginName() const {
  return std::filesystem::path(plugin).filename().string();
}

PendantLocations PluginOptions::Locations() const {
  PendantLocations locations = pendant::DefaultPendantLocations();
  if (!pluginDir.empty()) locations.pluginFolders = {std::filesystem::path(pluginDir)};
  const std::filesystem::path pluginPath(plugin);
  if (pluginPath.has_parent_path()) {
    locations.pluginFolders.insert(locations.pluginFolders.begin(), pluginPath.parent_path());
  }
  return locations;
}

}  // namespace kivora::cli
