#pragma once
// A list file read back into file-list rows: the reverse of the plain and the distributed
// list writers, as far as the lines allow.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/FileListRow.h"

namespace kivora::filelist {

// The row of one line: the address up to the last "/" before any "?" or "#", the file
// name after it, and the rest (the query) as the extra text. A line without "/" is a file
// name alone.
FileListRow SplitRowLine(std::string_view line);

// The rows of a list file's lines (UTF-8). The lines of a distributed list, written
// ascending or descending, are put back in the order of the rows they were written from:
// that is the order in which the rows of each address follow one another, which the file's
// own order is not. Lines of any other form keep the file's order.
std::vector<FileListRow> RowsOfListLines(std::span<const std::string> lines);

}  // namespace kivora::filelist
