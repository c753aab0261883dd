#pragma once
// The part size table behind the file list: how many bytes each part of the last
// operation has, and the lookup that finds a row's part. The table is owned by the
// window and passed in; nothing here keeps state of its own.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/format/DefinitionRecords.h"
#include "core/recovery/RecoveryWriter.h"
#include "filelist/FileListRow.h"

namespace kivora::filelist {

struct PartSize {
  std::string fileName;   // the part's file name without folder (UTF-8)
  std::int64_t size = 0;  // bytes of the part file: payload and pendant

  bool operator==(const PartSize&) const = default;
};

// One entry per part, in the definition's part order; never the definition file.
using PartSizeTable = std::vector<PartSize>;

// The table for a set's part records: size = Size + PendantSize, in 64 bits (the two
// 32-bit fields of a damaged record may add up to more than 32 bits hold).
PartSizeTable BuildPartSizeTable(std::span<const PartRecord> parts);

// The table after a split: its parts, then its recovery parts, which the list shows
// after the parts so that they are uploaded with them.
PartSizeTable BuildSplitSizeTable(std::span<const PartRecord> parts,
                                  std::span<const WrittenRecoveryFile> recovery);

// The entry of the table for the file named in file-list row `row`, or -1.
// noDefinitionRow: the list holds the parts only, row r belongs to entry r (the
// definition was implanted); otherwise row 0 is the definition file, which has no
// entry, and row r belongs to entry r - 1. The search begins at the row's own entry
// and runs to the end, then looks at entries 0 to `row`; names are compared ignoring
// letter case (NameKey).
int FindPartSizeIndex(std::span<const PartSize> table, std::string_view name, int row,
                      bool noDefinitionRow);

// The byte count of row `row`: the size of its part, or 0 for the definition file's
// row, a row typed in by hand and a row index outside the list.
std::int64_t RowPartSize(std::span<const PartSize> table, std::span<const FileListRow> rows,
                         int row, bool noDefinitionRow);

}  // namespace kivora::filelist
