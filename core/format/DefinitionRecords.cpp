#include "core/format/DefinitionRecords.h"

namespace kivora {

std::optional<MagicLayout> LayoutOf(std::string_view magic) {
  if (magic.size() != 3 || magic[0] != 'K' || magic[1] != 'V' || magic[2] < '1' || magic[2] > '6') {
    return std::nullopt;
  }
  const int digit = magic[2] - '0';
  return MagicLayout{digit % 2 == 1 ? 1 : 2, digit >= 5};
}

std::string SplitMagic(bool plugin, std::int64_t sourceSize) {
  const bool wide = NeedsWideSourceSize(sourceSize);
  return plugin ? (wide ? "KV6" : "KV4") : (wide ? "KV5" : "KV3");
}

bool IsPluginMagic(std::string_view magic) { return magic == "KV4" || magic == "KV6"; }

}  // namespace kivora
