#pragma once
// The builder's messages to the user (Traditional Chinese, UTF-8), in one place. Each
// text is in Chinese and English; the functions fill the templates.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/text/MessageText.h"

namespace kvrpack::messages {

using kivora::MessageTemplate;
using kivora::MessageText;

inline constexpr std::array<MessageTemplate<>, 5> kFieldNames = {{
    {"掛件名稱", "Pendant set name"},
    {"版本", "Version"},
    {"副檔名", "Extension"},
    {"作者", "Author"},
    {"註解", "Comment"},
}};
inline constexpr MessageTemplate<> kEmptyList{
    "清單中沒有圖像檔案，無法建立掛件。請先把圖像檔案拖放到清單中。",
    "The list holds no picture files, so no plug-in can be built. Drop picture files on the list "
    "first."};
inline constexpr MessageTemplate<int> kTooManyPictures{
    "圖像檔案有 {} 個，一個掛件最多只能放 99 個（Kivora 只讀取編號 101 到 199 的圖像）。",
    "There are {} picture files; a plug-in holds at most 99 (Kivora reads only the pictures "
    "numbered 101 to 199)."};
inline constexpr MessageTemplate<std::string> kPathRefused{
    "路徑「{}」是空的或含有 NUL 字元，無法寫入資源描述檔。",
    "The path \"{}\" is empty or has a NUL character and cannot be written into the resource "
    "script."};
inline constexpr MessageTemplate<std::string, std::string> kPictureUnreadable{
    "無法讀取圖像檔案「{}」：{}", "Cannot read the picture file \"{}\": {}"};
inline constexpr MessageTemplate<std::string> kPictureNotAFile{
    "圖像檔案「{}」不是一般檔案。", "The picture file \"{}\" is not a regular file."};
inline constexpr MessageTemplate<std::string> kPictureEmpty{"圖像檔案「{}」是空的。",
                                                            "The picture file \"{}\" is empty."};
inline constexpr MessageTemplate<> kPicturesTooLarge{
    "圖像檔案合計超過 256 MB，Kivora 無法讀取這麼大的掛件。",
    "The picture files add up to more than 256 MB; Kivora cannot read so large a plug-in."};
inline constexpr MessageTemplate<std::string> kOutputIsPicture{
    "輸出檔案「{}"
    "」也是輸入的圖像檔案之一，寫入它會毀掉那個圖像，因此沒有建立掛件。請為輸出檔案另選一個名稱。",
    "The output file \"{}\" is also one of the input pictures; writing it would destroy that "
    "picture, so no plug-in was built. Choose another name for the output."};
inline constexpr MessageTemplate<> kDllNamedAsScript{
    "-o：掛件的副檔名不能是 .rc，那是它的資源描述檔的副檔名。",
    "-o: the plug-in must not have the extension .rc, which its script takes."};
inline constexpr MessageTemplate<std::string> kOutputNotAFile{
    "輸出檔案「{}」是資料夾、裝置或具名管道，而不是一般的檔案，因此沒有建立掛件。",
    "The output file \"{}\" is a folder, a device or a named pipe, not a regular file, so no "
    "plug-in was built."};
// The first value of these is the field's name.
inline constexpr MessageTemplate<MessageText> kTextNotUtf8{"「{}」不是有效的 UTF-8 文字。",
                                                           "\"{}\" is not valid UTF-8 text."};
inline constexpr MessageTemplate<MessageText, std::string> kTextWithoutBig5{
    "「{}」含有 Big5 (code page 950) 無法表示的字元「{}」。",
    "\"{}\" has a character that Big5 (code page 950) cannot hold: \"{}\"."};
inline constexpr MessageTemplate<MessageText> kTextWithControlCharacter{
    "「{}」含有控制字元。", "\"{}\" has a control character."};
inline constexpr MessageTemplate<MessageText> kTextTooLong{
    "「{}」太長（最多 65535 個字元）。", "\"{}\" is too long (at most 65535 characters)."};
inline constexpr MessageTemplate<std::string, int, std::string> kBuilt{
    "已建立掛件 {}（{} 個圖像），資源描述檔 {}。",
    "Built the plug-in {} ({} pictures) and the resource script {}."};

// Name of text field `index` (0..4) as its label shows it, without the colon.
MessageText FieldName(std::size_t index);

MessageText EmptyList();
MessageText TooManyPictures(std::size_t count);
MessageText PathRefused(std::string_view path);
MessageText PictureUnreadable(std::string_view path, std::string_view reason);
MessageText PictureNotAFile(std::string_view path);
MessageText PictureEmpty(std::string_view path);
MessageText PicturesTooLarge();
MessageText OutputIsPicture(std::string_view path);
MessageText OutputNotAFile(std::string_view path);
MessageText TextNotUtf8(std::size_t field);
MessageText TextWithoutBig5(std::size_t field, std::string_view character);
MessageText TextWithControlCharacter(std::size_t field);
MessageText TextTooLong(std::size_t field);
MessageText Built(std::string_view dll, std::string_view script, std::size_t pictures);

}  // namespace kvrpack::messages
