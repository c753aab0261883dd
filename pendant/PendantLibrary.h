#pragma once
// The PendantProvider of the programs: the built-in pendant set embedded in the
// program, and plug-in DLLs read as data from the plug-in folders.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/PendantProvider.h"
#include "pendant/BuiltinPendants.h"
#include "platform/ProgramPlace.h"

namespace kivora::pendant {

struct PendantLocations {
  std::filesystem::path programFolder;               // folder of the running program
  std::vector<std::filesystem::path> pluginFolders;  // searched in order for a plug-in file name
};

// The running program's folder and PluginFolders for it and the environment.
PendantLocations DefaultPendantLocations();
PendantLocations DefaultPendantLocations(const platform::ProgramPlace& place);

// Plug-in folders in search order: <program folder>/plugin (portable use), the user's
// folder when there is one, then <datadir>/kivora/plugin of the install tree. Whether
// they exist is left to each search, so folders made later are searched too.
std::vector<std::filesystem::path> PluginFolders(
    const platform::ProgramPlace& place, const std::optional<std::filesystem::path>& userFolder);

// <data home>/kivora/plugin, the data home being $XDG_DATA_HOME when it is an absolute
// path, else $HOME/.local/share; empty optional without either. Arguments are the
// environment values (null when unset).
std::optional<std::filesystem::path> UserPluginFolder(const char* xdgDataHome, const char* home);

class PendantLibrary final : public PendantProvider {
 public:
  // With the program's own built-in set. Inline, so that only users of this
  // constructor need the embedded pictures linked in.
  explicit PendantLibrary(PendantLocations locations)
      : PendantLibrary(std::move(locations), BuiltinPendants()) {}
  // With a built-in set of the caller's (tests); `builtins` must outlive the library
  // and every set opened from it.
  PendantLibrary(PendantLocations locations, std::span<const BuiltinPendant> builtins);

  // Built-in set: ids 1..99 of the built-in pendants. Plug-in: the file FindPlugin
  // names, read once; its "KVR" pictures 101..199. A plug-in that cannot be found,
  // read or parsed gives a set without ids.
  std::unique_ptr<PendantSet> OpenSet(bool usePlugin, std::string_view pluginName) const override;
  std::optional<std::int32_t> BuiltinPendantSize(int id) const override;
  // CRC-32 of the pictures 101..199, concatenated in increasing id order, of the file
  // of that name in the PROGRAM folder (not a plug-in folder: the sets already stored
  // carry the value of this rule). 0 when that file cannot be read or has no pictures.
  std::uint32_t ComputePluginChecksum(std::string_view pluginName) const override;

  // The file a plug-in name stands for: the name itself when it holds a '/', otherwise
  // the first plug-in folder in which a file of that name exists.
  std::optional<std::filesystem::path> FindPlugin(std::string_view pluginName) const;

 private:
  PendantLocations locations_;
  std::span<const BuiltinPendant> builtins_;
};

}  // namespace kivora::pendant
