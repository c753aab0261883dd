#pragma once
// The list file: one full file address per line, in Big5 (code page 950), every line
// ended by CR LF, no byte-order mark. It is written under a temporary name and
// renamed, so a failed save leaves an older list file of that name as it was.

#include <filesystem>
#include <span>
#include <string>

#include "FileListRow.h"

namespace kivora::filelist {

// Writes the lines (UTF-8) as a list file. A line without a Big5 form is refused with
// a KivoraError naming `rowNumbers[i]` (1-based) before anything is written; an
// empty span of numbers names the line's own position. Failures to create or write
// the file throw KivoraError ("無法建立檔案…" with the path).
void WriteListFile(std::span<const std::string> lines, const std::filesystem::path& path,
                   std::span<const int> rowNumbers = {});

// RowLine of every row, in the list's order.
void SavePlainList(std::span<const FileListRow> rows, const std::filesystem::path& path);

}  // namespace kivora::filelist
