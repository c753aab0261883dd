#pragma once
// The texts of the list-file writer. A number in parentheses names the place. Each has
// its English beside it.

#include <string>

#include "core/KivoraError.h"
#include "core/text/MessageText.h"

namespace kivora::filelist::msg {

inline constexpr MessageTemplate<> kOutOfMemory421{"記憶體不足，故無法處理。(421)",
                                                   "Not enough memory to go on. (421)"};
// Shown after (421). Its first side is this Japanese fragment with its run of blanks, kept
// exactly as it reads.
inline constexpr MessageTemplate<> kListNotWritten422{"ファイルリストを                    (422)。",
                                                      "The file list could not be written (422)."};
// The row's number, the encoding, the row.
inline constexpr MessageTemplate<int, std::string, std::string> kRowNotEncodable{
    "檔案清單第 {} 列含有無法以 {} 表示的字元：{}",
    "Row {} of the file list has characters that {} cannot hold: {}"};
inline constexpr MessageTemplate<> kListNotRead{"無法讀取檔案清單。",
                                                "The file list could not be read."};
inline constexpr MessageTemplate<std::string> kNoConverter{"無法載入字碼轉換表：{}",
                                                           "Cannot load the conversion table: {}"};

}  // namespace kivora::filelist::msg

namespace kivora::filelist {

// The distributed list's table could not be allocated. what() is (421); the page
// shows FollowUp(), (422), as a second error box. Nothing was written.
class ListOutOfMemory : public KivoraError {
 public:
  ListOutOfMemory() : KivoraError(msg::kOutOfMemory421) {}
  static MessageText FollowUp() { return msg::kListNotWritten422; }
};

}  // namespace kivora::filelist
