// The definition decoder on raw bytes, as a definition file of its own holds them.

#include <cstddef>
#include <cstdint>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "fuzz/FuzzSupport.h"
#include "pendant/PendantLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora;
  static const pendant::PendantLibrary pendants{pendant::PendantLocations{}};
  try {
    const KvrDefinition def = DecodeDefinition({data, size}, pendants);
    fuzz::Check(def.parts.size() == static_cast<std::size_t>(def.header.PartCount),
                "record count differs from the header");
    fuzz::Check(IsPlainFileName(def.header.SourceName), "source name is not a plain name");
    for (const auto& part : def.parts) {
      fuzz::Check(IsPlainFileName(part.FileName), "part name is not a plain name");
    }
    fuzz::Check(SummaryRows(def).size() == 6, "summary does not have six rows");
    if (LayoutOf(def.header.Magic)->wideSourceSize) {
      std::int64_t sum = 0;
      for (const auto& part : def.parts) sum += part.Size;
      fuzz::Check(sum == def.header.SourceSize, "a 64-bit source size the parts do not add up to");
    }
  } catch (const KivoraError&) {
  }
  return 0;
}
