#pragma once
// --plugin and --plugin-dir: which pendant plug-in to use and where plug-ins live.

#include <filesystem>
#include <string>

#include "pendant/PendantLibrary.h"

namespace CLI {
class App;
}

namespace kivora::cli {

using pendant::PendantLibrary;
using pendant::PendantLocations;

struct PluginOptions {
  std::string plugin;     // a file name in the plug-in folder, or a path to the file
  std::string pluginDir;  // replaces the default plug-in folders

  void Register(CLI::App& command, bool withPlugin);
  // Bare file name of the plug-in (empty when none was given).
  std::string PluginName() const;
  // Program folder and plug-in folders, with --plugin-dir or the plug-in's own folder
  // in front of the defaults.
  PendantLocations Locations() const;
};

}  // namespace kivora::cli
