#pragma once
// The command line's own texts. Each is in Chinese and English.

#include <string>

#include "core/text/MessageText.h"

namespace kivora::cli::texts {

inline constexpr MessageTemplate<> kAnswerYes{"是 (Yes)", "Yes"};
inline constexpr MessageTemplate<> kAnswerNo{"否 (No)", "No"};
inline constexpr MessageTemplate<> kAnswerCancel{"取消 (Cancel)", "Cancel"};
inline constexpr MessageTemplate<> kPasswordNeeded{
    "這組分割檔受密碼保護：請以 -p、--password-file 或環境變數 KIVORA_PASSWORD 指定密碼。",
    "This set is protected by a password: give it with -p, --password-file or the environment "
    "variable KIVORA_PASSWORD."};
inline constexpr MessageTemplate<> kEncryptNeedsPassword{
    "--encrypt 需要密碼 (-p、--password-file 或 KIVORA_PASSWORD)。",
    "--encrypt needs a password (-p, --password-file or KIVORA_PASSWORD)."};
inline constexpr MessageTemplate<> kPasswordNotUsed{
    "這組分割檔沒有密碼保護，所給的密碼並未使用。",
    "This set is not protected by a password; the password given is not used."};
inline constexpr MessageTemplate<> kSetAuthenticated{
    "密碼已證明合併定義檔與每個加密區塊皆完整無誤。",
    "The password proved the join definition and every sealed chunk authentic."};
inline constexpr MessageTemplate<int> kRepairNeedsPassword{
    "其中 {} 個分割檔的 CRC 相符，但無法通過加密驗證：kivora-cli repair 加上密碼 "
    "(-p、--password-file "
    "或 KIVORA_PASSWORD) 即可重建。",
    "{} of them match their CRC but fail the encryption check: kivora-cli repair rebuilds them "
    "when given the password (-p, --password-file or KIVORA_PASSWORD)."};
inline constexpr MessageTemplate<std::string> kAddRecoveryAnew{
    "要為這組分割檔建立修復檔，請執行 kivora-cli add-recovery {} N (N 為每組的修復檔數目，"
    "或 P% 為每組分割檔的比例)。",
    "To make recovery parts for the set, run kivora-cli add-recovery {} N (N recovery parts per "
    "group, or P% of each group's parts)."};
inline constexpr MessageTemplate<std::string> kSaveAsPrompt{"另存新檔 ({})：", "Save as ({}): "};
inline constexpr MessageTemplate<> kPluginNeeded{
    "這組分割檔使用了圖像掛件：請以 --plugin 指定掛件檔案。",
    "This set was disguised with a pendant plug-in: name the plug-in file with --plugin."};
inline constexpr MessageTemplate<> kNoPlugins{"找不到圖像掛件。", "No pendant plug-ins found."};
inline constexpr MessageTemplate<> kPluginColumns{
    "檔名\t掛件名稱\t版本\t副檔名\t作者\t圖像數",
    "File\tPendant set\tVersion\tExtension\tAuthor\tPictures"};
inline constexpr MessageTemplate<> kPartColumns{"#\t檔名\t大小\tCRC-32", "#\tName\tSize\tCRC-32"};
inline constexpr MessageTemplate<> kDisguiseColumns{"\t檔案 CRC-32\t圖像\t圖像大小",
                                                    "\tPart CRC-32\tPicture\tPicture size"};
inline constexpr MessageTemplate<> kOutputExists{
    "輸出檔案已經存在；加上 --overwrite 即可取代它。",
    "The output file already exists; add --overwrite to replace it."};
inline constexpr MessageTemplate<std::string> kNotAPartList{
    "--parts: 「{}」不是分割檔編號的清單 (例如 0,3,5-7)。",
    "--parts: \"{}\" is not a list of part numbers (such as 0,3,5-7)."};
inline constexpr MessageTemplate<std::string, int> kNoSuchPart{
    "--parts: 這組分割檔沒有編號 {} 的檔案 (共 {} 個，編號從 0 起算)。",
    "--parts: this set has no part number {} (it has {}, numbered from 0)."};
inline constexpr MessageTemplate<> kSettingMissing{"含有未被設定的項目。",
                                                   "Some settings are not filled in."};
inline constexpr MessageTemplate<std::string> kPasswordFileUnreadable{
    "無法讀取密碼檔案「{}」。", "Cannot read the password file \"{}\"."};
inline constexpr MessageTemplate<std::string> kPasswordNotInEncoding{
    "密碼含有在編碼 {} 中無效的位元組；請檢查終端機的編碼與地區設定 (LANG、LC_ALL)。",
    "The password holds bytes that are not valid in the encoding {}; check the terminal's "
    "encoding and the locale (LANG, LC_ALL)."};
inline constexpr MessageTemplate<std::string> kPasswordEncodingUnknown{
    "無法把編碼 {} 的密碼轉換成 UTF-8。",
    "Cannot convert a password from the encoding {} to UTF-8."};
inline constexpr MessageTemplate<> kNewPasswordPrompt{"輸入密碼：", "Password:"};
inline constexpr MessageTemplate<> kNewPasswordAgain{"再輸入一次密碼：", "Password again:"};
inline constexpr MessageTemplate<> kNewPasswordsDiffer{
    "兩次輸入的密碼不一樣；沒有分割任何檔案。", "The two passwords differ; nothing was split."};
inline constexpr MessageTemplate<> kNewPasswordEmpty{"沒有輸入密碼；沒有分割任何檔案。",
                                                     "No password was typed; nothing was split."};
inline constexpr MessageTemplate<> kStreamNeedsName{
    "分割標準輸入 (-) 時需要以 -n 指定分割檔名稱。",
    "Splitting standard input (-) needs a part name given with -n."};
inline constexpr MessageTemplate<std::string> kBadSourceName{
    "--source-name: 「{}」不是單純的檔名 (不能含有資料夾的分隔字元，也不能是 . 或 ..)。",
    "--source-name: \"{}\" is not a plain file name (no folder separator, not . or ..)."};
inline constexpr MessageTemplate<> kStandardInputTwice{
    "標準輸入不能同時是分割來源與密碼檔案；請以 -p 或 KIVORA_PASSWORD 指定密碼。",
    "Standard input cannot be both the source and the password file; give the password with -p "
    "or KIVORA_PASSWORD."};
inline constexpr MessageTemplate<std::string, std::string> kStdoutStopsWithin{
    "標準輸出上的合併資料不完整：寫出 {} 位元組後就停止了，停在分割檔「{}」之中。",
    "The joined data on standard output is incomplete: it stops after {} bytes, within the "
    "part \"{}\"."};
inline constexpr MessageTemplate<std::string, std::string> kStdoutStopsBefore{
    "標準輸出上的合併資料不完整：寫出 {} 位元組後就停止了，在分割檔「{}」之前。",
    "The joined data on standard output is incomplete: it stops after {} bytes, before the "
    "part \"{}\"."};
inline constexpr MessageTemplate<std::string> kStdoutStopsAfter{
    "標準輸出上的合併資料不完整：寫出 {} 位元組後就停止了。",
    "The joined data on standard output is incomplete: it stops after {} bytes."};
inline constexpr MessageTemplate<> kStdoutNothingWritten{"標準輸出上沒有寫出任何合併資料。",
                                                         "Nothing was written to standard output."};
inline constexpr MessageTemplate<std::string> kNotWithStdout{
    "{} 不能與 -o - (寫到標準輸出) 一起使用。",
    "{} cannot be used with -o - (writing to standard output)."};

}  // namespace kivora::cli::texts
