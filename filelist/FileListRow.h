#pragma once
// One row of the file list: the folder address a file was put at, its name and the
// text put behind the name. Texts are UTF-8.

#include <string>

namespace kivora::filelist {

struct FileListRow {
  std::string address;   // "位址", kept ending in "/" by the page
  std::string fileName;  // "檔名", without folder
  std::string extra;     // "附加資訊", often empty

  bool operator==(const FileListRow&) const = default;
};

// The full address of the row's file: address, file name and extra text, joined
// with nothing between them ("a/b/" + "p00.png" + "?x=1" -> "a/b/p00.png?x=1").
std::string RowLine(const FileListRow& row);

}  // namespace kivora::filelist
