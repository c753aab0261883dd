// The test, the join and the re-split of a fuzzed set.
//
// Input: two control bytes, then files separated by kSeparator. Control byte 0 answers
// the questions (bit n for question n % 8); byte 1 holds the pauses before an abort
// (bits 0-3, 0: none) and the parts to rebuild (bit 4 clear: all; set: the one index
// in bits 5-7, which may lie outside the set). The first file is the definition (or a
// last part carrying one); the next files become the parts it names, in order, except
// the part that carries the definition. The re-split's source is the joined file, or
// the parts' bytes one after the other when the join wrote nothing.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/format/LoadedDefinition.h"
#include "core/operations/EngineCall.h"
#include "core/operations/JoinOperation.h"
#include "core/operations/ResplitOperation.h"
#include "core/operations/TestOperation.h"
#include "fuzz/FuzzSupport.h"
#include "pendant/PendantLibrary.h"

namespace {

namespace fs = std::filesystem;
using kivora::fuzz::Bytes;
using kivora::fuzz::SplitFiles;

constexpr const char* kPassword = "fuzz-password";

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kivora;
  if (size < 2) return 0;
  const std::uint8_t answers = data[0];
  const std::uint8_t control = data[1];
  const std::vector<Bytes> files = SplitFiles(Bytes(data + 2, size - 2));

  const fs::path root = fuzz::FreshScratchFolder();
  const fs::path setFolder = root / "set";
  const fs::path outFolder = root / "out";
  fs::create_directories(setFolder);
  fs::create_directories(outFolder);
  const pendant::PendantLibrary pendants{pendant::PendantLocations{root, {}}};

  fs::path definitionPath = setFolder / "set.kvr";
  fuzz::Check(fuzz::WriteFile(definitionPath, files[0]), "cannot write the definition");
  fuzz::ScriptedUi ui(answers, control & 0x0F);
  KvrDefinition loaded;
  if (!LoadDefinition(definitionPath, pendants, OperationKind::Join, ui, loaded)) return 0;
  if (loaded.implanted && !loaded.parts.empty()) {
    const fs::path lastPart = setFolder / loaded.parts.back().FileName;
    std::error_code ec;
    fs::rename(definitionPath, lastPart, ec);
    if (ec) return 0;  // a name the file system refuses
    definitionPath = lastPart;
  }
  std::set<fs::path> written{definitionPath};
  std::size_t next = 1;
  std::vector<std::uint8_t> concatenated;
  for (const auto& part : loaded.parts) {
    if (next == files.size()) break;
    const fs::path path = setFolder / part.FileName;
    if (!written.insert(path).second) continue;
    if (!fuzz::WriteFile(path, files[next])) return 0;
    concatenated.insert(concatenated.end(), files[next].begin(), files[next].end());
    ++next;
  }

  // Each operation is called as a front end calls it: a failure becomes its message.
  loaded = RunTest({.definitionPath = definitionPath, .loaded = loaded}, pendants, ui).definition;

  const JoinRequest request{.definitionPath = definitionPath,
                            .outputFolder = outFolder,
                            .password = kPassword,
                            .loaded = loaded};
  const JoinOutcome joined = RunJoin(request, pendants, ui);

  fs::path source = joined.output;
  if (!joined.completed || !Exists(source)) {
    source = root / "source.bin";
    fuzz::Check(fuzz::WriteFile(source, concatenated), "cannot write the source");
  }
  ResplitRequest resplit{.definitionPath = definitionPath,
                         .source = source,
                         .outputFolder = root / "rebuilt",
                         .password = kPassword};
  fs::create_directories(*resplit.outputFolder);
  if (control & 0x10) resplit.selected = std::vector<int>{control >> 5};
  // As the re-split command does: its own reading of the definition.
  if (!LoadDefinition(definitionPath, pendants, OperationKind::Resplit, ui, loaded)) return 0;
  resplit.loaded = loaded;
  RunResplit(resplit, pendants, ui);
  return 0;
}
