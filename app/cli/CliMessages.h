#pragma once
// The command line's own texts. Each has its English in app/cli/EnglishTexts.cpp.

#include <string_view>

namespace kivora::cli::texts {

inline constexpr std::string_view kAnswerYes = "是 (Yes)";
inline constexpr std::string_view kAnswerNo = "否 (No)";
inline constexpr std::string_view kAnswerCancel = "取消 (Cancel)";
inline constexpr std::string_view kPasswordNeeded =
    "這組分割檔受密碼保護：請以 -p、--password-file 或環境變數 KIVORA_PASSWORD 指定密碼。";
inline constexpr std::string_view kEncryptNeedsPassword =
    "--encrypt 需要密碼 (-p、--password-file 或 KIVORA_PASSWORD)。";
inline constexpr std::string_view kSaveAsPrompt = "另存新檔 (%s)：";
inline constexpr std::string_view kPluginNeeded =
    "這組分割檔使用了圖像掛件：請以 --plugin 指定掛件檔案。";
inline constexpr std::string_view kNoPlugins = "找不到圖像掛件。";
inline constexpr std::string_view kPluginColumns = "檔名\t掛件名稱\t版本\t副檔名\t作者\t圖像數";
inline constexpr std::string_view kPartColumns = "#\t檔名\t大小\tCRC-32";
inline constexpr std::string_view kDisguiseColumns = "\t檔案 CRC-32\t圖像\t圖像大小";
inline constexpr std::string_view kOutputExists = "輸出檔案已經存在；加上 --overwrite 即可取代它。";
inline constexpr std::string_view kNotAPartList =
    "--parts: 「%s」不是分割檔編號的清單 (例如 0,3,5-7)。";
inline constexpr std::string_view kNoSuchPart =
    "--parts: 這組分割檔沒有編號 %s 的檔案 (共 %d 個，編號從 0 起算)。";
inline constexpr std::string_view kSettingMissing = "含有未被設定的項目。";
inline constexpr std::string_view kPasswordFileUnreadable = "無法讀取密碼檔案「%s」。";

}  // namespace kivora::cli::texts
