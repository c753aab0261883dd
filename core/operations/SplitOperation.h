#pragma once
// Cutting a source file into numbered parts and writing the join definition.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/format/RecoveryFormat.h"
#include "core/parts/PartSizeRule.h"
#include "core/parts/Random.h"
#include "core/parts/SetNames.h"
#include "core/payload/SecretText.h"
#include "core/recovery/RecoveryWriter.h"

namespace kivora {

// Everything a split needs, as the split page or the command line collects it.
struct SplitRequest {
  // A file, or a stream read once to its end (SplitSource: "-" for standard input).
  std::filesystem::path source;
  // The name the joined file takes (the definition's source name); empty: the source's
  // file name.
  std::string sourceName;
  // empty: the source's own folder; for a stream, the current folder
  std::optional<std::filesystem::path> saveFolder;
  int partSizeKb = 500;
  bool randomSizes = true;
  std::string baseName;  // as typed; a trailing "_" stays in the part names
  bool numberFromOne = false;
  std::string extension = "png";
  bool kvrExtension = false;  // definition named BASE_kvr.EXT instead of BASE.kvr
  std::string comment;
  bool disguise = true;
  // Disguise options.
  SecretText password;
  bool usePlugin = false;
  std::string pluginName;
  bool implant = false;
  // Seal the parts with a key derived from the password (cipher kind 2) instead of
  // scrambling them; needs a password, and applies to plain parts too.
  bool encrypt = false;
  // What deriving the key of an encrypted set costs (each guess at its password alike).
  KeyCost keyCost = kNewSetKeyCost;
  // Recovery parts written beside the parts (none by default).
  RecoveryAmount recovery;
  // Replace files of the names the split gives that belong to no set of that name
  // without asking; otherwise the split asks (QuestionKind::ReplaceForeignFile) and on
  // any answer but Yes refuses (164) before it writes anything.
  bool overwrite = false;
  // The seed of the generator of random sizes and pendants (reproducible splits); none:
  // seeded from the clock.
  std::optional<std::uint64_t> seed;
};

// What a split produced.
struct SplitOutcome : OperationResult {
  bool completed = false;
  DefinitionHeader header;
  std::vector<PartRecord> parts;
  std::filesystem::path folder;          // of the parts (empty: the current folder)
  std::filesystem::path definitionPath;  // also named when the definition was implanted
  std::int64_t definitionSize = 0;       // 0 when implanted
  std::vector<WrittenRecoveryFile> recoveryFiles;
  // After a failure: the parts it left on disk that were not reported yet, for the
  // front end to report after the failure's message (SplitFailure).
  std::vector<FileStateChanged> leftByFailure;
  bool partsLeftByFailure = false;  // whether the failure left any part, reported or not

  // The parts' paths, made when asked: a set's thousands cost more to keep than to make.
  std::filesystem::path PartPath(size_t index) const { return folder / parts.at(index).FileName; }
  std::vector<std::filesystem::path> PartPaths() const;
};

// The base name proposed for a source: its name without extension, with "_" added
// when it ends in a digit (so part numbers do not run into the name).
std::string ProposedBaseName(const std::filesystem::path& source);

// The name the joined file takes.
std::string SourceNameOf(const SplitRequest& settings);

// The folder the parts go to: the save folder, else the source's (empty for the current
// folder), or the current folder for a stream.
std::filesystem::path SplitFolder(const SplitRequest& settings);

// The names the split gives its set of `partCount` parts (none: a stream's).
SetNames SplitSetNames(const SplitRequest& settings, std::optional<int> partCount);

// Refuses part size settings no source can be split with: a size above 32767 KB, random
// sizes below 10 KB (154).
void CheckPartSizeSettings(const SplitRequest& settings);

// Sizes of all parts of a source of `total` bytes, by PartSizeRule. Throws KivoraError when the
// combination is refused: a source larger than 32767 parts of 32767 KB (157), random
// sizes below 10 KB (154), more than 32767 parts (153, naming the part size that fits).
std::vector<std::int32_t> PlanPartSizes(std::int64_t total, const SplitRequest& settings,
                                        Random& random);

// Runs the whole split: it prepares (names, plan, lock, checks), writes the parts, codes
// the recovery parts and publishes the set, with `random` (the request's seed is not used).
// Not completed when it stopped on abort or on a refusal it reported (the parts written so
// far are then deleted, the one being written included). Any other failure escapes as an
// exception once the split left exactly the parts before the one that failed; a split of a
// stream, which cannot be read again, leaves none of its parts then. RunSplit is the split as
// a user starts it; this is the step inside it, for a caller that brings its own generator.
SplitOutcome SplitFile(const SplitRequest& settings, const PendantProvider& pendants,
                       Random& random, OperationEvents& events);

// How a split ends: completed, or interrupted with no file of it left (the file list is
// cleared) or with some parts left by a failure (they stay listed).
enum class SplitEnd { Completed, NothingLeft, PartsLeft };

// The closing of a split.
void ReportSplitEnd(OperationEvents& events, SplitEnd end);

// The split as a user starts it: a new file list, SplitFile with a generator seeded from
// the request's seed (or the clock), and its completion, interruption or failure. A failure
// names the parts it left (they stay listed) after its message.
SplitOutcome RunSplit(const SplitRequest& settings, const PendantProvider& pendants,
                      OperationEvents& events);

}  // namespace kivora
