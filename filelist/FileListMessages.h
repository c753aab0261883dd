#pragma once
// The texts of the list-file writer. A number in parentheses names the place.

#include <string>
#include <string_view>

#include "core/KivoraError.h"

namespace kivora::filelist::msg {

inline constexpr std::string_view kOutOfMemory421 = "記憶體不足，故無法處理。(421)";
// Shown after (421); the original stores this fragment in code page 932.
inline constexpr std::string_view kListNotWritten422 = "ファイルリストを                    (422)。";
// "File list row %d holds characters that %s cannot represent: <row>".
inline constexpr std::string_view kRowPrefix = "檔案清單第 ";
inline constexpr std::string_view kRowSuffix = " 列";
inline constexpr std::string_view kNoFormPrefix = "含有無法以 ";
inline constexpr std::string_view kNoFormSuffix = " 表示的字元：";

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
