#include "kvrpack/BuilderMessages.h"

#include <array>

namespace kvrpack::messages {
namespace {

std::string Quoted(std::string_view text) { return "「" + std::string(text) + "」"; }

}  // namespace

std::string_view FieldName(std::size_t index) {
  static constexpr std::array<std::string_view, 5> kNames = {"掛件名稱", "版本", "副檔名", "作者",
                                                             "註解"};
  return kNames.at(index);
}

std::string EmptyList() { return "清單中沒有圖像檔案，無法建立掛件。請先把圖像檔案拖放到清單中。"; }

std::string TooManyPictures(std::size_t count) {
  return "圖像檔案有 " + std::to_string(count) +
         " 個，一個掛件最多只能放 99 個（Kivora 只讀取編號 101 到 199 的圖像）。";
}

std::string PathRefused(std::string_view path) {
  // A NUL would end the message early: it is shown as \0.
  std::string shown;
  for (const char c : path) {
    if (c == '\0') {
      shown += "\\0";
    } else {
      shown += c;
    }
  }
  return "路徑" + Quoted(shown) + "是空的或含有 NUL 字元，無法寫入資源描述檔。";
}

std::string PictureUnreadable(std::string_view path, std::string_view reason) {
  return "無法讀取圖像檔案" + Quoted(path) + "：" + std::string(reason);
}

std::string PictureNotAFile(std::string_view path) {
  return "圖像檔案" + Quoted(path) + "不是一般檔案。";
}

std::string PictureEmpty(std::string_view path) { return "圖像檔案" + Quoted(path) + "是空的。"; }

std::string PicturesTooLarge() { return "圖像檔案合計超過 256 MB，Kivora 無法讀取這麼大的掛件。"; }

std::string TextNotUtf8(std::size_t field) {
  return Quoted(FieldName(field)) + "不是有效的 UTF-8 文字。";
}

std::string TextWithoutBig5(std::size_t field, std::string_view character) {
  return Quoted(FieldName(field)) + "含有 Big5 (code page 950) 無法表示的字元" + Quoted(character) +
         "。";
}

std::string TextWithControlCharacter(std::size_t field) {
  return Quoted(FieldName(field)) + "含有控制字元。";
}

std::string TextTooLong(std::size_t field) {
  return Quoted(FieldName(field)) + "太長（最多 65535 個字元）。";
}

std::string Built(std::string_view dll, std::string_view script, std::size_t pictures) {
  return "已建立掛件 " + std::string(dll) + "（" + std::to_string(pictures) +
         " 個圖像），資源描述檔 " + std::string(script) + "。";
}

}  // namespace kvrpack::messages
