#include "filelist/ListRows.h"

#include <algorithm>
#include <unordered_set>

#include "filelist/NameKey.h"

namespace kivora::filelist {
namespace {

// True when the rows of each address (letter case ignored) stand together.
bool GroupedByAddress(std::span<const FileListRow> rows) {
  std::unordered_set<std::string> started;
  std::string current;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string key = NameKey(rows[i].address);
    if (i > 0 && key == current) continue;
    if (!started.insert(key).second) return false;
    current = std::move(key);
  }
  return true;
}

// The rows a distributed list of these lines was written from: `columns` addresses cut
// the rows into consecutive blocks of `height`, written across block by block.
std::vector<FileListRow> Undistributed(std::span<const FileListRow> lines, std::size_t columns) {
  const std::size_t count = lines.size();
  const std::size_t height = (count + columns - 1) / columns;
  std::vector<FileListRow> rows(count);
  std::size_t line = 0;
  for (std::size_t r = 0; r < height; ++r) {
    for (std::size_t c = 0; c < columns; ++c) {
      const std::size_t index = c * height + r;
      if (index < count) rows[index] = lines[line++];
    }
  }
  return rows;
}

}  // namespace

FileListRow SplitRowLine(std::string_view line) {
  const std::size_t query = std::min(line.find_first_of("?#"), line.size());
  const std::size_t slash = line.substr(0, query).rfind('/');
  const std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
  return {std::string(line.substr(0, name)), std::string(line.substr(name, query - name)),
          std::string(line.substr(query))};
}

std::vector<FileListRow> RowsOfListLines(std::span<const std::string> lines) {
  std::vector<FileListRow> read;
  read.reserve(lines.size());
  std::unordered_set<std::string> addresses;
  for (const std::string& line : lines) {
    read.push_back(SplitRowLine(line));
    addresses.insert(NameKey(read.back().address));
  }
  if (addresses.size() <= 1 || GroupedByAddress(read)) return read;
  for (const bool ascending : {true, false}) {
    std::vector<FileListRow> written = read;
    if (!ascending) std::reverse(written.begin(), written.end());
    std::vector<FileListRow> rows = Undistributed(written, addresses.size());
    if (GroupedByAddress(rows)) return rows;
  }
  return read;
}

}  // namespace kivora::filelist
