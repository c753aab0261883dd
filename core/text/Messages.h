#pragma once
// The texts the engines show to the user, in one place. A number in parentheses
// names the place that failed. Each has its English in core/text/EnglishTexts.cpp; a text
// with values is a template ("%s", "%d") that the engine fills with Format.

#include <string_view>

namespace kivora::msg {

// Scrambler
inline constexpr std::string_view kTargetStreamReadError1011 =
    "ターゲットストリーム読み込みエラー(1011)";
inline constexpr std::string_view kTargetStreamReadError1012 =
    "ターゲットストリーム読み込みエラー(1012)";

// Part writer
inline constexpr std::string_view kCopyFromSourceFailed = "無法自來源檔案複製資料... 殘念！(132)";
inline constexpr std::string_view kWritePartFailed = "寫入分割檔案已失敗... 殘念！(131)";
inline constexpr std::string_view kReadPendantFailedSplit = "讀取圖像檔案失敗... 殘念！(111)";
inline constexpr std::string_view kReadPendantFailedVerify =
    "讀取圖像檔案失敗... 殘念！(112)\n有可能是圖像檔的掛件發生錯誤。";
inline constexpr std::string_view kCreateScrambledFailed = "暗號化檔案的建立已失敗... 殘念！(121)";
// (121) for a part that is disguised but not encrypted.
inline constexpr std::string_view kCreateDisguisedFailed = "偽裝分割檔的建立已失敗... 殘念！(121)";
inline constexpr std::string_view kPasswordOrSourceWrong = "密碼或是再分割的來源檔案不正確！(122)";

// Definition writer
inline constexpr std::string_view kCreateDefinitionFailed = "KivoRa 合併定義檔建立失敗... (141)";
inline constexpr std::string_view kImplantDefinitionFailed =
    "KivoRa 合併定義檔置入失敗... 殘念！(142)";

// Split
inline constexpr std::string_view kCannotOpenFile = "無法開啟檔案！(151)";
inline constexpr std::string_view kOutOfMemory111 = "記憶體不足，故無法處理。(111)";
inline constexpr std::string_view kNoPendants = "讀取圖像檔案失敗... 殘念！(110)";
// (152), once the refusal of sources of 2 GB and more, is no longer used.
inline constexpr std::string_view kTooManyParts =
    "分割檔數目不能超過 32767 個，請把分割檔大小設為 %d KB 以上。(153)";
inline constexpr std::string_view kSourceTooLarge157 =
    "檔案太大，無法分割：最多只能分割 %s 個位元組 (32767 個 32767 KB 的分割檔)。"
    "請先把檔案壓縮或分成幾個較小的檔案。(157)";
inline constexpr std::string_view kRandomSizeTooSmall =
    "隨機大小需要 10 KB 以上的分割檔大小。(154)";
inline constexpr std::string_view kBadPartName = "分割檔名稱不能含有資料夾的分隔字元。(155)";
inline constexpr std::string_view kTargetIsSource =
    "分割檔或 KivoRa 合併定義檔將會覆蓋分割來源的檔案，因此無法分割。(156)";
inline constexpr std::string_view kEncryptNeedsPassword158 =
    "加密分割檔需要密碼，請先設定密碼。(158)";
inline constexpr std::string_view kRecoveryAmountInvalid =
    "每組修復檔的數目必須在 0 到 254 之間，比例必須在 0% 到 100% 之間。(159)";
inline constexpr std::string_view kWriteRecoveryFailed = "寫入修復檔失敗... 殘念！(160)";
inline constexpr std::string_view kStateRecovery = "修復檔";
inline constexpr std::string_view kSplitCompleted = "分割已完成。";
inline constexpr std::string_view kSetInUse163 =
    "另一個作業正在使用這組分割檔，請等它結束後再試。(163)";
inline constexpr std::string_view kSplitInterrupted = "分割已中斷。";
inline constexpr std::string_view kStateDisguised = "偽裝";
inline constexpr std::string_view kStateSplit = "分割";
inline constexpr std::string_view kStateImplanted = "置入";
inline constexpr std::string_view kStateCreated = "建立";
inline constexpr std::string_view kSplitProgress = "分割數: %d/%d";

// Save folder
inline constexpr std::string_view kCreateFolderQuestion =
    "儲存位置的資料夾並不存在。\n是否要新建一個資料夾？";
inline constexpr std::string_view kCreateFolderFailed = "資料夾的建立失敗！真傷腦筋！(161)";
inline constexpr std::string_view kSaveFolderIsAFile = "儲存位置是一個檔案，而不是資料夾。(162)";

// Definition reader
inline constexpr std::string_view kCannotOpen202 = "ファイルを開けません(202)。";
inline constexpr std::string_view kCannotOpenKvr = "無法開啟 KivoRa 檔案。(201)";
inline constexpr std::string_view kNotImplanted = "KivoRa 合併定義檔並未被置入。(203)";
inline constexpr std::string_view kNotDefinition211 = "並非是 KivoRa 合併定義檔。(211)";
inline constexpr std::string_view kNotDefinition212 = "並非是 KivoRa 合併定義檔。(212)";
inline constexpr std::string_view kNotDefinition214 = "並非是 KivoRa 合併定義檔。(214)";
inline constexpr std::string_view kBadNameInDefinition =
    "KivoRa 合併定義檔中含有不正確的檔名 (不能含有資料夾)。(215)";
inline constexpr std::string_view kSizesDisagree216 =
    "KivoRa 合併定義檔中各分割檔的大小合計與來源檔案的大小不一致。(216)";
inline constexpr std::string_view kBadEncryptionBlock217 =
    "KivoRa 合併定義檔的加密資訊不完整，或是使用了不支援的加密方式。(217)";
inline constexpr std::string_view kOutOfMemory222 = "記憶體不足，故無法處理。(222)";
inline constexpr std::string_view kNoBuiltinPendant = "無法取得圖像檔案！(221)";

// Join
inline constexpr std::string_view kMissingPartQuestion =
    "%s\n上面的檔案並不存在。是否要繼續進行合併？";
inline constexpr std::string_view kCorruptPartQuestion = "%s\nCRC 檢查並不一致。是否要進行合併？";
inline constexpr std::string_view kDecodeFailed292 = "檔案的復號化失敗... 殘念！(292)";
inline constexpr std::string_view kWrongPassword231 = "所輸入的密碼並不一致，或是無法復號化。(231)";
inline constexpr std::string_view kOutputExistsQuestion =
    "相同的檔案名稱已經存在。\n您是否要變更檔名並另存新檔呢？";
inline constexpr std::string_view kPasswordPrompt = "請輸入密碼，謝謝！";
inline constexpr std::string_view kUnknownCipher293 =
    "不支援這種暗號化方式 (CipherKind %d) 的 KivoRa 合併定義檔。(293)";
inline constexpr std::string_view kCryptoLibraryFailed294 = "無法啟動加密程式庫。(294)";
inline constexpr std::string_view kPartNotAuthentic251 =
    "%s\n分割檔的內容無法通過加密驗證：檔案已毀損、遭到竄改，或是屬於其他的分割檔組。(251)";
inline constexpr std::string_view kCreateJoinedFailed241 = "合併檔案的建立失敗... 殘念！(241)";
inline constexpr std::string_view kReadPartFailed242 = "讀取分割檔案失敗... 殘念！(242)";
inline constexpr std::string_view kWriteJoinedFailed243 = "寫入合併檔案失敗... 殘念！(243)";
inline constexpr std::string_view kJoinedSizeWrong244 =
    "合併檔案的大小與 KivoRa 合併定義檔所記錄的不一致... 殘念！(244)";
inline constexpr std::string_view kOutputNotAFile245 =
    "合併檔案的儲存位置是資料夾、裝置或具名管道，而不是一般的檔案，因此無法取代。(245)";
inline constexpr std::string_view kStateKeptBack = "保留";
inline constexpr std::string_view kStateJoined = "合併";
inline constexpr std::string_view kStateMissing = "不存在";
inline constexpr std::string_view kStateCorrupt = "毀損";
inline constexpr std::string_view kJoinProgress = "合併數: %d/%d";
inline constexpr std::string_view kJoinCompleted = "合併已完成。";
inline constexpr std::string_view kJoinInterrupted = "合併已中斷。";

// Part test
inline constexpr std::string_view kStateOk = "OK";
inline constexpr std::string_view kStateFixable = "可修正";
inline constexpr std::string_view kTestProgress = "進行的測試數: %d/%d";
inline constexpr std::string_view kTestFoundErrors = "已發現到錯誤了。";
inline constexpr std::string_view kTestInterrupted = "測試已中斷。";
inline constexpr std::string_view kTestFixableQuestion =
    "已發現到錯誤，但是修正是有可能的。\n要繼續進行合併嗎？";
inline constexpr std::string_view kTestNoProblemQuestion = "找不到任何問題。是否要進行合併？";

// Re-split
inline constexpr std::string_view kSelectPartsToResplit = "請從一覽表上選擇要再次分割的檔案。";
inline constexpr std::string_view kDefinitionUpdated =
    "KivoRa 合併定義檔已更新。\n因為已重新讀取，故請重新選擇。";
inline constexpr std::string_view kPluginMismatch291 = "圖像掛件不一致。(291)";
inline constexpr std::string_view kCannotOpenSource301 = "檔案無法開啟。(301)";
inline constexpr std::string_view kResplitFailed311 = "再分割已失敗... 殘念！(311)";
inline constexpr std::string_view kResplitFailed312 = "再分割已失敗... 殘念！(312)";
inline constexpr std::string_view kResplitOldCipher313 =
    "舊版暗號化方式 (CipherKind %d) 的分割檔無法再分割。(313)";
inline constexpr std::string_view kResplitTargetIsSource314 =
    "再分割的分割檔將會覆蓋來源檔案，因此無法再分割。請把分割檔存到別的資料夾。(314)";
inline constexpr std::string_view kResplitTargetNotAFile315 =
    "再分割的分割檔的位置是資料夾、裝置或具名管道，而不是一般的檔案，因此無法取代。(315)";
inline constexpr std::string_view kStateRedisguised = "再偽裝";
inline constexpr std::string_view kStateResplit = "再分割";
inline constexpr std::string_view kStateMismatch = "不一致";
inline constexpr std::string_view kResplitProgress = "再分割數: %d/%d";
inline constexpr std::string_view kResplitCompleted = "再分割已完成。";
inline constexpr std::string_view kResplitInterrupted = "再分割已中斷。";

// Repair from recovery parts
inline constexpr std::string_view kRepairTooManyLost321 =
    "遺失或毀損的檔案太多，無法用修復檔重建。沒有變更任何檔案。(321)";
inline constexpr std::string_view kRepairGroupLost =
    "第 %d 組：%d 個檔案遺失或毀損，最多只能重建 %d 個。";
inline constexpr std::string_view kRepairNoRecovery322 = "找不到這組分割檔的修復檔。(322)";
inline constexpr std::string_view kRepairCheckFailed323 =
    "重建的檔案與記錄的 CRC 不一致... 殘念！(323)";
inline constexpr std::string_view kRepairWriteFailed324 = "寫入重建的檔案失敗... 殘念！(324)";
inline constexpr std::string_view kRepairIgnored325 =
    "以下修復檔不屬於這組分割檔，或與定義檔不符，已略過。(325)";
inline constexpr std::string_view kRepairStaysLost326 = "有些檔案無法重建，仍然遺失或毀損。(326)";
inline constexpr std::string_view kRepairGroupRecoveryLost =
    "第 %d 組：%d 個修復檔無法重建，這一組已沒有完好的修復檔。";
inline constexpr std::string_view kRepairNothingToDo = "沒有遺失或毀損的檔案，不需要修復。";
inline constexpr std::string_view kRepairAllPossible = "修復檔可以重建全部 %d 個遺失或毀損的檔案。";
inline constexpr std::string_view kRepairPartlyPossible =
    "有 %d 個檔案遺失或毀損，修復檔只能重建其中的 %d 個。";
inline constexpr std::string_view kRepairQuestion =
    "已發現遺失或毀損的檔案，但是可以用修復檔重建。\n要進行修復嗎？";
inline constexpr std::string_view kStateRebuilt = "修復";
inline constexpr std::string_view kRepairProgress = "修復數: %d/%d";
inline constexpr std::string_view kRepairCompleted = "修復已完成。";
inline constexpr std::string_view kRepairInterrupted = "修復已中斷。";

// Summary rows of a definition
inline constexpr std::string_view kRowFileName = "檔案名稱";
inline constexpr std::string_view kRowFileSize = "檔案大小";
inline constexpr std::string_view kRowPartCount = "分割檔數目";
inline constexpr std::string_view kRowDisguise = "KivoRa 偽裝";
inline constexpr std::string_view kRowPassword = "密碼";
inline constexpr std::string_view kRowComment = "註解";
inline constexpr std::string_view kDisguiseNone = "無";
inline constexpr std::string_view kDisguisePlugin = "有 (使用了圖像掛件)";
inline constexpr std::string_view kDisguiseYes = "有";
inline constexpr std::string_view kPasswordRequired = "需要";
inline constexpr std::string_view kPasswordNotRequired = "不需要";
inline constexpr std::string_view kBytes = "%s 個位元組";  // a grouped number ("1,536,000")

// Reasons under a failure message: a path and the system's own words
inline constexpr std::string_view kOpenFileFailed = "無法開啟檔案「%s」：%s";
inline constexpr std::string_view kCreateFileFailed = "無法建立檔案「%s」：%s";
inline constexpr std::string_view kReadFileFailed = "無法讀取檔案「%s」：%s";
inline constexpr std::string_view kWriteFileFailed = "無法寫入檔案「%s」：%s";
inline constexpr std::string_view kSeekFileFailed = "無法移動檔案位置「%s」：%s";
inline constexpr std::string_view kTellFileFailed = "無法取得檔案位置「%s」：%s";
inline constexpr std::string_view kNotRegularFile = "無法開啟檔案「%s」：不是一般的檔案";
inline constexpr std::string_view kNotReplaceable =
    "無法建立檔案「%s」：同名的項目不是一般的檔案，不能取代";
inline constexpr std::string_view kPathReason = "「%s」：%s";
inline constexpr std::string_view kFileShorterThanExpected = "檔案「%s」比預期的短。";
inline constexpr std::string_view kPartShorterThanRecorded = "%s：檔案比合併定義檔所記錄的短。";
// The joined file, its size and the size its definition records.
inline constexpr std::string_view kJoinedSizes = "%s：%s / %s";
inline constexpr std::string_view kDefinitionTooLarge = "檔案「%s」太大，不是合併定義檔。";
inline constexpr std::string_view kOutOfMemory = "記憶體不足";
inline constexpr std::string_view kMaxPartSize = "最大分割檔大小為 %d KB";
inline constexpr std::string_view kNoPartToImplant = "沒有可以置入的分割檔。";
inline constexpr std::string_view kNoBig5Converter = "無法載入 Big5 (code page 950) 字碼轉換表。";
// The first value names the text (one of the names below), the second is the text.
inline constexpr std::string_view kPasswordNotBig5 =
    "密碼含有無法以 Big5 (code page 950) 表示的字元。";
inline constexpr std::string_view kNotBig5 = "%s含有無法以 Big5 (code page 950) 表示的字元：%s";
inline constexpr std::string_view kNameOfSource = "分割來源的檔名";
inline constexpr std::string_view kNameOfPart = "分割檔名";
inline constexpr std::string_view kNameOfBase = "分割檔名稱";
inline constexpr std::string_view kNameOfExtension = "副檔名";
inline constexpr std::string_view kNameOfComment = kRowComment;

}  // namespace kivora::msg
