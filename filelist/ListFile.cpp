#include "filelist/ListFile.h"

#include <cstdint>

#include "core/io/AtomicFile.h"
#include "core/io/File.h"
#include "core/text/GroupThousands.h"
#include "core/text/LocaleEncoding.h"
#include "filelist/FileListMessages.h"
#include "filelist/LocaleText.h"

namespace kivora::filelist {

void WriteListFile(std::span<const std::string> lines, const std::filesystem::path& path,
                   std::span<const int> rowNumbers, std::string_view encoding) {
  const std::string target = encoding.empty() ? LocaleEncoding() : std::string(encoding);
  // Encode everything first: a refused row must not cost the user an older list.
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto encoded = EncodeText(lines[i], target);
    if (!encoded) {
      const int number = i < rowNumbers.size() ? rowNumbers[i] : static_cast<int>(i) + 1;
      throw KivoraError(msg::kRowNotEncodable(number, target, lines[i]));
    }
    text += *encoded;
    text += "\r\n";
  }
  WriteFileAtomically(path,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void SavePlainList(std::span<const FileListRow> rows, const std::filesystem::path& path,
                   std::string_view encoding) {
  std::vector<std::string> lines;
  lines.reserve(rows.size());
  for (const FileListRow& row : rows) lines.push_back(RowLine(row));
  WriteListFile(lines, path, {}, encoding);
}

}  // namespace kivora::filelist
