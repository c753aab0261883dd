#include "filelist/FileListRow.h"

namespace kivora::filelist {

std::string RowLine(const FileListRow& row) {
  std::string line;
  line.reserve(row.address.size() + row.fileName.size() + row.extra.size());
  line += row.address;
  line += row.fileName;
  line += row.extra;
  return line;
}

}  // namespace kivora::filelist
