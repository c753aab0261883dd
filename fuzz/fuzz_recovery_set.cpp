// The recovery scan and the repair of a set whose files, recovery parts included, are
// fuzzed.
//
// Input: one control byte, then files separated by kSeparator, each its name, a zero
// byte and its content (a file without a plain name is left out). The first file's name
// is the definition the repair is given (its content may be anything, or nothing). The
// control byte: bit 0 also runs the real repair after the dry run; bits 1-3 the looks at
// the abort flag before an abort (0: none).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/operations/RepairOperation.h"
#include "fuzz/FuzzSupport.h"
#include "pendant/PendantLibrary.h"

namespace fs = std::filesystem;
using kivora::fuzz::Bytes;
using kivora::fuzz::SplitFiles;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora;
  if (size < 1) return 0;
  const std::uint8_t control = data[0];
  const fs::path root = fuzz::FreshScratchFolder();
  const fs::path folder = root / "set";
  fs::create_directories(folder);
  const pendant::PendantLibrary pendants{pendant::PendantLocations{root, {}}};

  std::string definitionName;
  for (const Bytes file : SplitFiles(Bytes(data + 1, size - 1))) {
    const auto zero = std::find(file.begin(), file.end(), std::uint8_t{0});
    const std::string name(file.begin(), zero);
    if (zero == file.end() || name.size() > 100 || !IsPlainFileName(name)) continue;
    if (definitionName.empty()) definitionName = name;
    if (!fuzz::WriteFile(folder / name,
                         file.subspan(static_cast<std::size_t>(zero - file.begin()) + 1)))
      return 0;
  }
  if (definitionName.empty()) return 0;
  const fs::path definition = folder / definitionName;

  try {
    AssessRecovery(definition, pendants);
    fuzz::ScriptedUi dryUi(0, (control >> 1) & 7);
    RunRepair({.definition = definition, .dryRun = true}, pendants, dryUi);
    if ((control & 1) == 0) return 0;
    fuzz::ScriptedUi ui(0, (control >> 1) & 7);
    const RepairOutcome repaired = RunRepair({.definition = definition}, pendants, ui);
    // What a completed repair rebuilt is intact when looked at again.
    fuzz::Check(!repaired.completed || AssessRecovery(definition, pendants).damaged == 0,
                "a completed repair left damaged files");
  } catch (const KivoraError&) {
  }
  return 0;
}
