// The definition reader on a file: a definition of its own when the bytes start with
// "KV", otherwise a part that may carry one implanted at its end.

#include <cstddef>
#include <cstdint>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "fuzz/FuzzSupport.h"
#include "pendant/PendantLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora;
  static const pendant::PendantLibrary pendants{pendant::PendantLocations{}};
  const auto path = fuzz::FreshScratchFolder() / "last00.png";
  fuzz::Check(fuzz::WriteFile(path, {data, size}), "cannot write the part");
  try {
    const KvrDefinition def = ReadDefinition(path, pendants);
    const bool standAlone = size >= 2 && data[0] == 'K' && data[1] == 'V';
    fuzz::Check(def.implanted != standAlone, "form of the definition misread");
    fuzz::Check(def.parts.size() == static_cast<std::size_t>(def.header.PartCount),
                "record count differs from the header");
  } catch (const KivoraError&) {
  }
  return 0;
}
