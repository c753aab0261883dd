#pragma once
// The list file: one full file address per line, in the user's encoding (the
// locale's, see core/text/LocaleEncoding.h), every line ended by CR LF, no byte-order
// mark. It is written under a temporary name and renamed, so a failed save leaves an
// older list file of that name as it was.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "filelist/FileListRow.h"

namespace kivora::filelist {

// Writes the lines (UTF-8) as a list file in `encoding`; empty: LocaleEncoding(). A
// line without a form in that encoding is refused with a KivoraError naming
// `rowNumbers[i]` (1-based) before anything is written; an empty span of numbers names
// the line's own position. Failures to create or write the file throw KivoraError
// ("無法建立檔案…" with the path).
void WriteListFile(std::span<const std::string> lines, const std::filesystem::path& path,
                   std::span<const int> rowNumbers = {}, std::string_view encoding = {});

// RowLine of every row, in the list's order.
void SavePlainList(std::span<const FileListRow> rows, const std::filesystem::path& path,
                   std::string_view encoding = {});

}  // namespace kivora::filelist
