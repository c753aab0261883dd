#pragma once
// The builder's messages to the user (Traditional Chinese, UTF-8), in one place. Each
// text has its English in kvrpack/EnglishTexts.cpp; the functions fill the templates.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kvrpack::messages {

inline constexpr std::array<std::string_view, 5> kFieldNames = {"掛件名稱", "版本", "副檔名",
                                                                "作者", "註解"};
inline constexpr std::string_view kEmptyList =
    "清單中沒有圖像檔案，無法建立掛件。請先把圖像檔案拖放到清單中。";
inline constexpr std::string_view kTooManyPictures =
    "圖像檔案有 %d 個，一個掛件最多只能放 99 個（Kivora 只讀取編號 101 到 199 的圖像）。";
inline constexpr std::string_view kPathRefused =
    "路徑「%s」是空的或含有 NUL 字元，無法寫入資源描述檔。";
inline constexpr std::string_view kPictureUnreadable = "無法讀取圖像檔案「%s」：%s";
inline constexpr std::string_view kPictureNotAFile = "圖像檔案「%s」不是一般檔案。";
inline constexpr std::string_view kPictureEmpty = "圖像檔案「%s」是空的。";
inline constexpr std::string_view kPicturesTooLarge =
    "圖像檔案合計超過 256 MB，Kivora 無法讀取這麼大的掛件。";
inline constexpr std::string_view kOutputIsPicture =
    "輸出檔案「%s」也是輸入的圖像檔案之一，寫入它會毀掉那個圖像，因此沒有建立掛件。"
    "請為輸出檔案另選一個名稱。";
inline constexpr std::string_view kDllNamedAsScript =
    "-o：掛件的副檔名不能是 .rc，那是它的資源描述檔的副檔名。";
inline constexpr std::string_view kOutputNotAFile =
    "輸出檔案「%s」是資料夾、裝置或具名管道，而不是一般的檔案，因此沒有建立掛件。";
// The first value of these is the field's name.
inline constexpr std::string_view kTextNotUtf8 = "「%s」不是有效的 UTF-8 文字。";
inline constexpr std::string_view kTextWithoutBig5 =
    "「%s」含有 Big5 (code page 950) 無法表示的字元「%s」。";
inline constexpr std::string_view kTextWithControlCharacter = "「%s」含有控制字元。";
inline constexpr std::string_view kTextTooLong = "「%s」太長（最多 65535 個字元）。";
inline constexpr std::string_view kBuilt = "已建立掛件 %s（%d 個圖像），資源描述檔 %s。";

// Name of text field `index` (0..4) as its label shows it, without the colon.
std::string_view FieldName(std::size_t index);

std::string EmptyList();
std::string TooManyPictures(std::size_t count);
std::string PathRefused(std::string_view path);
std::string PictureUnreadable(std::string_view path, std::string_view reason);
std::string PictureNotAFile(std::string_view path);
std::string PictureEmpty(std::string_view path);
std::string PicturesTooLarge();
std::string OutputIsPicture(std::string_view path);
std::string OutputNotAFile(std::string_view path);
std::string TextNotUtf8(std::size_t field);
std::string TextWithoutBig5(std::size_t field, std::string_view character);
std::string TextWithControlCharacter(std::size_t field);
std::string TextTooLong(std::size_t field);
std::string Built(std::string_view dll, std::string_view script, std::size_t pictures);

}  // namespace kvrpack::messages
