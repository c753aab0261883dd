#include "filelist/DistributedList.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "filelist/FileListMessages.h"
#include "filelist/ListFile.h"
#include "filelist/NameKey.h"

namespace kivora::filelist {

int BuildDistributedTable(std::span<const FileListRow> rows, TextGrid& table) {
  std::unordered_set<std::string> addresses;
  for (const FileListRow& row : rows) addresses.insert(NameKey(row.address));
  const std::size_t columns = addresses.size();
  if (columns <= 1) return 1;

  const std::size_t height = (rows.size() + columns - 1) / columns;
  TextGrid filled;
  try {
    filled.assign(height, std::vector<std::string>(columns));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::size_t i = 0;
  for (std::size_t c = 0; c < columns && i < rows.size(); ++c) {
    for (std::size_t r = 0; r < height && i < rows.size(); ++r, ++i) {
      filled[r][c] = RowLine(rows[i]);
    }
  }
  table = std::move(filled);
  return static_cast<int>(columns);
}

void SaveDistributedList(std::span<const FileListRow> rows, const std::filesystem::path& path,
                         bool ascending, std::string_view encoding) {
  TextGrid table;
  const int count = BuildDistributedTable(rows, table);
  if (count == 0) throw ListOutOfMemory();
  if (count == 1) {
    SavePlainList(rows, path, encoding);
    return;
  }

  std::vector<std::string> lines;
  std::vector<int> rowNumbers;  // 1-based list rows, for a refusal's message
  lines.reserve(rows.size());
  rowNumbers.reserve(rows.size());
  const std::size_t height = table.size();
  for (std::size_t r = 0; r < height; ++r) {
    for (std::size_t c = 0; c < table[r].size(); ++c) {
      if (table[r][c].empty()) continue;
      lines.push_back(std::move(table[r][c]));
      rowNumbers.push_back(static_cast<int>(c * height + r) + 1);
    }
  }
  if (!ascending) {
    std::reverse(lines.begin(), lines.end());
    std::reverse(rowNumbers.begin(), rowNumbers.end());
  }
  WriteListFile(lines, path, rowNumbers, encoding);
}

}  // namespace kivora::filelist
