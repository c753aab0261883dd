#pragma once
// The file list of a set: one row per file to publish, built from the set's part records
// and the recovery parts an operation wrote or found, never from what a window shows.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/recovery/RecoveryWriter.h"
#include "filelist/FileListRow.h"
#include "filelist/FileListTable.h"

namespace kivora::filelist {

struct SetListing {
  // Empty addresses and extra texts: the definition file first (when it has a file of its
  // own), the parts in the set's order, then the recovery parts.
  std::vector<FileListRow> rows;
  PartSizeTable sizes;           // the parts, then the recovery parts
  bool noDefinitionRow = false;  // the definition was implanted: row r is part r
  std::int64_t definitionSize = 0;
};

// `definitionName` is the definition file's name without folder; empty when the
// definition is implanted in the last part.
SetListing ListSet(std::span<const PartRecord> parts, std::span<const WrittenRecoveryFile> recovery,
                   const std::string& definitionName, std::int64_t definitionSize);

}  // namespace kivora::filelist
