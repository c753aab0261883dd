#include "filelist/FileListTable.h"

#include <algorithm>

#include "filelist/NameKey.h"

namespace kivora::filelist {

PartSizeTable BuildPartSizeTable(std::span<const PartRecord> parts) {
  PartSizeTable table;
  table.reserve(parts.size());
  for (const PartRecord& part : parts) {
    table.push_back({part.FileName, std::int64_t{part.Size} + part.PendantSize});
  }
  return table;
}

PartSizeTable BuildSplitSizeTable(std::span<const PartRecord> parts,
                                  std::span<const WrittenRecoveryFile> recovery) {
  PartSizeTable table = BuildPartSizeTable(parts);
  for (const WrittenRecoveryFile& file : recovery) {
    table.push_back({file.path.filename().string(), static_cast<std::int64_t>(file.size)});
  }
  return table;
}

int FindPartSizeIndex(std::span<const PartSize> table, std::string_view name, int row,
                      bool noDefinitionRow) {
  if (row < 0) return -1;
  if (row == 0 && !noDefinitionRow) return -1;  // the definition file has no entry

  const NameMatcher matches(name);
  const std::size_t count = table.size();
  const auto start = static_cast<std::size_t>(noDefinitionRow ? row : row - 1);
  for (std::size_t i = start; i < count; ++i) {
    if (matches(table[i].fileName)) return static_cast<int>(i);
  }
  // The list may have been reordered or edited: look in front of the row's place.
  const std::size_t end = std::min(count, static_cast<std::size_t>(row) + 1);
  for (std::size_t i = 0; i < end; ++i) {
    if (matches(table[i].fileName)) return static_cast<int>(i);
  }
  return -1;
}

std::int64_t RowPartSize(std::span<const PartSize> table, std::span<const FileListRow> rows,
                         int row, bool noDefinitionRow) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return 0;
  const int index =
      FindPartSizeIndex(table, rows[static_cast<std::size_t>(row)].fileName, row, noDefinitionRow);
  return index >= 0 ? table[static_cast<std::size_t>(index)].size : 0;
}

}  // namespace kivora::filelist
