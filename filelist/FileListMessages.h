#pragma once
// The texts of the list-file writer. A number in parentheses names the place. Each has
// its English in filelist/EnglishTexts.cpp.

#include <string>
#include <string_view>

#include "core/KivoraError.h"

namespace kivora::filelist::msg {

inline constexpr std::string_view kOutOfMemory421 = "記憶體不足，故無法處理。(421)";
// Shown after (421); the original stores this fragment in code page 932.
inline constexpr std::string_view kListNotWritten422 =
    "ファイルリストを                    (422)。";
// The row's number, the encoding, the row.
inline constexpr std::string_view kRowNotEncodable = "檔案清單第 %d 列含有無法以 %s 表示的字元：%s";
inline constexpr std::string_view kNoConverter = "無法載入字碼轉換表：%s";

}  // namespace kivora::filelist::msg

namespace kivora::filelist {

// The distributed list's table could not be allocated. what() is (421); the page
// shows FollowUp(), (422), as a second error box. Nothing was written.
class ListOutOfMemory : public KivoraError {
 public:
  ListOutOfMemory() : KivoraError(std::string(msg::kOutOfMemory421)) {}
  static std::string_view FollowUp() { return msg::kListNotWritten422; }
};

}  // namespace kivora::filelist
