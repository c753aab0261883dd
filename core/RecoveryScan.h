#pragma once
// Finding the recovery parts of a set and checking every file they cover: which files
// are lost or damaged, and which of those the recovery parts can rebuild. Reads only.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/KvrData.h"
#include "core/PendantProvider.h"
#include "core/RecoveryFormat.h"
#include "core/StopCheck.h"

namespace kivora {

struct RecoveryGroupScan {
  RecoveryGroup parts;
  // The group's recorded part files; empty when none of its recovery parts is readable.
  std::vector<CoveredFile> covered;
  // Per part: the file holds its recorded bytes (it may have more behind them, which are
  // left alone).
  std::vector<bool> partUsable;
  // Per recovery part: readable, of this set, with its shard and definition intact.
  std::vector<std::optional<RecoveryFileInfo>> recovery;

  int UsableCount() const;
  int LostParts() const;
  int LostRecovery() const;
  // Enough shards to rebuild every lost part.
  bool PartsRebuildable() const;
  // Lost recovery parts are rebuilt from a recovery part of the same group, which gives
  // their header and picture.
  bool RecoveryRebuildable() const {
    return PartsRebuildable() && LostRecovery() < static_cast<int>(recovery.size());
  }
};

struct RecoverySetScan {
  std::filesystem::path folder;
  RecoveryHeader header;  // of one recovery part of the set
  std::vector<std::uint8_t> definitionCopy;
  KvrDefinition definition;     // decoded from the copy
  bool definitionLost = false;  // the definition file is missing or differs from the copy
  std::vector<RecoveryGroupScan> groups;
  bool stopped = false;

  std::filesystem::path PartPath(int part) const;
  std::filesystem::path RecoveryPath(int setIndex) const;
  std::filesystem::path DefinitionPath() const { return folder / header.definitionName; }
  // Lost or damaged files: parts, recovery parts and the definition file.
  int Damaged() const;
  // Those of them the recovery parts can rebuild.
  int Rebuildable() const;
};

// The recovery parts that belong to `definition` (a definition file, a part that
// carries one, or a recovery part; when it is lost, its name is enough), found beside
// it. Empty optional when there are none. Reads every part and recovery part of the
// set once. Throws KivoraError (242) when a file exists but cannot be read.
std::optional<RecoverySetScan> ScanRecoverySet(const std::filesystem::path& definition,
                                               const PendantProvider& pendants,
                                               const StopCheck& stop = {});

}  // namespace kivora
