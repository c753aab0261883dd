#pragma once
// The distributed list file: the rows cut into as many consecutive blocks as the
// list has distinct addresses, written block by block across, so that each line of a
// list grouped by address switches to the next address.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/FileListRow.h"

namespace kivora::filelist {

// A table of strings indexed [row][column]; an empty cell is no line.
using TextGrid = std::vector<std::vector<std::string>>;

// Counts the distinct addresses D (letter case ignored, NameKey). D <= 1: returns 1
// and leaves `table` alone. Otherwise replaces `table` by R = ceil(N / D) rows of D
// columns and fills it column by column with RowLine of the rows in list order
// (column c holds rows c*R to c*R + R - 1), and returns D. Returns 0, with `table`
// unchanged, when the memory for it cannot be had.
int BuildDistributedTable(std::span<const FileListRow> rows, TextGrid& table);

// Writes the table row by row, each row left to right, skipping empty cells;
// descending writes these lines in reverse order. With one address this is the plain
// list, in either direction. Throws ListOutOfMemory, writing nothing, when the table
// cannot be built; see WriteListFile for the other failures.
void SaveDistributedList(std::span<const FileListRow> rows, const std::filesystem::path& path,
                         bool ascending, std::string_view encoding = {});

}  // namespace kivora::filelist
