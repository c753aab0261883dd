#pragma once
// Where pendant pictures come from: the built-in set or a plug-in. The engine only
// sees this interface; pendant/ implements it.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivora {

// One opened set of pendants: the built-in set or one plug-in file, read once.
class PendantSet {
 public:
  virtual ~PendantSet() = default;
  // Identifiers of the pendants in increasing order (10..84 built-in, 101..199 plug-in).
  virtual std::vector<int> Ids() const = 0;
  // The picture bytes of one pendant; empty optional when the set has no such id.
  virtual std::optional<std::span<const std::uint8_t>> Pendant(int id) const = 0;
};

class PendantProvider {
 public:
  virtual ~PendantProvider() = default;
  // The set a split or re-split uses: the built-in set when usePlugin is false,
  // otherwise the plug-in of that file name in the plug-in folder. A plug-in that
  // cannot be read yields a set without pendants.
  virtual std::unique_ptr<PendantSet> OpenSet(bool usePlugin,
                                              std::string_view pluginName) const = 0;
  // Size of a built-in pendant (for definitions that do not store pendant sizes).
  virtual std::optional<std::int32_t> BuiltinPendantSize(int id) const = 0;
  // Checksum of a plug-in's pictures, as stored in a definition; 0 when the file
  // cannot be read from the place the checksum rule names.
  virtual std::uint32_t ComputePluginChecksum(std::string_view pluginName) const = 0;
};

}  // namespace kivora
