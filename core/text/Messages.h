#pragma once
// The texts the engines show to the user, in one place, each in Chinese and English. A
// number in parentheses names the place that failed. A text with values holds "{}" for
// each; the engine makes a Message of it with the values, and the front end shows it in
// the user's language.

#include <string>

#include "core/text/MessageText.h"

namespace kivora::msg {

// Scrambler
inline constexpr MessageTemplate<> kTargetStreamReadError1011{
    "ターゲットストリーム読み込みエラー(1011)", "Error reading the target stream (1011)"};
inline constexpr MessageTemplate<> kTargetStreamReadError1012{
    "ターゲットストリーム読み込みエラー(1012)", "Error reading the target stream (1012)"};

// Part writer
inline constexpr MessageTemplate<> kCopyFromSourceFailed{
    "無法自來源檔案複製資料... 殘念！(132)",
    "Could not copy data from the source file... Too bad! (132)"};
inline constexpr MessageTemplate<> kSourceChangedDuringSplit133{
    "來源檔案在分割途中被修改了，分割檔案已被刪除。(133)",
    "The source file was changed while it was being split; the parts were removed. (133)"};
inline constexpr MessageTemplate<> kWritePartFailed{"寫入分割檔案已失敗... 殘念！(131)",
                                                    "Writing the part failed... Too bad! (131)"};
inline constexpr MessageTemplate<> kReadPendantFailedSplit{
    "讀取圖像檔案失敗... 殘念！(111)", "Reading the picture file failed... Too bad! (111)"};
inline constexpr MessageTemplate<> kReadPendantFailedVerify{
    "讀取圖像檔案失敗... 殘念！(112)\n有可能是圖像檔的掛件發生錯誤。",
    "Reading the picture file failed... Too bad! (112)\nThe pendant of the picture may be faulty."};
inline constexpr MessageTemplate<> kCreateScrambledFailed{
    "暗號化檔案的建立已失敗... 殘念！(121)",
    "Creating the encrypted file failed... Too bad! (121)"};
// (121) for a part that is disguised but not encrypted.
inline constexpr MessageTemplate<> kCreateDisguisedFailed{
    "偽裝分割檔的建立已失敗... 殘念！(121)",
    "Creating the disguised part failed... Too bad! (121)"};
inline constexpr MessageTemplate<> kPasswordOrSourceWrong{
    "密碼或是再分割的來源檔案不正確！(122)",
    "The password or the source file of the resplit is wrong! (122)"};

// Definition writer
inline constexpr MessageTemplate<> kCreateDefinitionFailed{
    "KivoRa 合併定義檔建立失敗... (141)", "Creating the KivoRa join definition failed... (141)"};
inline constexpr MessageTemplate<> kImplantDefinitionFailed{
    "KivoRa 合併定義檔置入失敗... 殘念！(142)",
    "Implanting the KivoRa join definition failed... Too bad! (142)"};

// Split
inline constexpr MessageTemplate<> kCannotOpenFile{"無法開啟檔案！(151)",
                                                   "Cannot open the file! (151)"};
inline constexpr MessageTemplate<> kOutOfMemory111{"記憶體不足，故無法處理。(111)",
                                                   "Not enough memory to go on. (111)"};
inline constexpr MessageTemplate<> kNoPendants{"讀取圖像檔案失敗... 殘念！(110)",
                                               "Reading the picture file failed... Too bad! (110)"};
// No text carries (152): sources of 2 GB and more are split like any other.
inline constexpr MessageTemplate<int> kTooManyParts{
    "分割檔數目不能超過 32767 個，請把分割檔大小設為 {} KB 以上。(153)",
    "There can be at most 32767 parts; please set the part size to {} KB or more. (153)"};
inline constexpr MessageTemplate<std::string> kSourceTooLarge157{
    "檔案太大，無法分割：最多只能分割 {} 個位元組 (32767 個 32767 KB "
    "的分割檔)。請先把檔案壓縮或分成幾個較小的檔案。(157)",
    "The file is too large to split: at most {} bytes can be split (32767 parts of 32767 KB). "
    "Please compress the file or cut it into smaller files first. (157)"};
inline constexpr MessageTemplate<> kRandomSizeTooSmall{
    "隨機大小需要 10 KB 以上的分割檔大小。(154)",
    "Random sizes need a part size of 10 KB or more. (154)"};
inline constexpr MessageTemplate<> kBadPartName{
    "分割檔名稱不能含有資料夾的分隔字元。(155)",
    "The part name must not contain a folder separator. (155)"};
inline constexpr MessageTemplate<> kTargetIsSource{
    "分割檔或 KivoRa 合併定義檔將會覆蓋分割來源的檔案，因此無法分割。(156)",
    "A part or the KivoRa join definition would overwrite the source file, so it cannot be split. "
    "(156)"};
inline constexpr MessageTemplate<> kEncryptNeedsPassword158{
    "加密分割檔需要密碼，請先設定密碼。(158)",
    "Encrypted parts need a password; please set one first. (158)"};
inline constexpr MessageTemplate<> kRecoveryAmountInvalid{
    "每組修復檔的數目必須在 0 到 254 之間，比例必須在 0% 到 100% 之間。(159)",
    "Recovery parts per group must be 0 to 254, and a share 0% to 100%. (159)"};
// The amount the window's add-recovery box takes; the word joiner keeps the number on the
// line of the text before it.
inline constexpr MessageTemplate<> kAddRecoveryAmountInvalid165{
    "每組修復檔的數目必須在 1 到 254 之間，或是 1% 到 100% 的比例。\u2060(165)",
    "Recovery parts per group must be 1 to 254, or a share of 1% to 100%.\u00a0(165)"};
inline constexpr MessageTemplate<> kWriteRecoveryFailed{
    "寫入修復檔失敗... 殘念！(160)", "Writing the recovery part failed... Too bad! (160)"};
inline constexpr MessageTemplate<> kStateRecovery{"修復檔", "Recovery part"};
inline constexpr MessageTemplate<> kSplitCompleted{"分割已完成。", "Split complete."};
inline constexpr MessageTemplate<> kSetInUse163{
    "另一個作業正在使用這組分割檔，請等它結束後再試。(163)",
    "Another operation is using this set; please try again when it has ended. (163)"};
inline constexpr MessageTemplate<std::string> kReplaceForeignFileQuestion{
    "{}\n上面的檔案不屬於同名的分割檔組，分割將會覆蓋它。是否要覆蓋？",
    "{}\nThe file above belongs to no set of this name; the split would overwrite it. "
    "Overwrite it?"};
inline constexpr MessageTemplate<> kForeignFile164{
    "分割檔或 KivoRa 合併定義檔將會覆蓋不屬於同名分割檔組的檔案，因此沒有分割。(164)",
    "A part or the KivoRa join definition would overwrite a file that belongs to no set of "
    "this name, so nothing was split. (164)"};
inline constexpr MessageTemplate<> kSplitInterrupted{"分割已中斷。", "Split interrupted."};
inline constexpr MessageTemplate<> kSplitFailedClosing{"分割失敗。", "Split failed."};
inline constexpr MessageTemplate<> kStateDisguised{"偽裝", "Disguised"};
inline constexpr MessageTemplate<> kStateSplit{"分割", "Split"};
inline constexpr MessageTemplate<> kStateImplanted{"置入", "Implanted"};
inline constexpr MessageTemplate<> kStateCreated{"建立", "Created"};
inline constexpr MessageTemplate<int, int> kSplitProgress{"分割數: {}/{}", "Split: {}/{}"};

// Save folder
inline constexpr MessageTemplate<> kCreateFolderQuestion{
    "儲存位置的資料夾並不存在。\n是否要新建一個資料夾？",
    "The save folder does not exist.\nCreate it?"};
inline constexpr MessageTemplate<> kCreateFolderFailed{
    "資料夾的建立失敗！真傷腦筋！(161)", "Creating the folder failed! What a mess! (161)"};
inline constexpr MessageTemplate<> kSaveFolderIsAFile{
    "儲存位置是一個檔案，而不是資料夾。(162)", "The save location is a file, not a folder. (162)"};

// Definition reader
inline constexpr MessageTemplate<> kCannotOpen202{"ファイルを開けません(202)。",
                                                  "Cannot open the file (202)."};
inline constexpr MessageTemplate<> kCannotOpenKvr{"無法開啟 KivoRa 檔案。(201)",
                                                  "Cannot open the KivoRa file. (201)"};
inline constexpr MessageTemplate<> kNotImplanted{"KivoRa 合併定義檔並未被置入。(203)",
                                                 "No KivoRa join definition is implanted. (203)"};
inline constexpr MessageTemplate<> kNotDefinition211{"並非是 KivoRa 合併定義檔。(211)",
                                                     "This is not a KivoRa join definition. (211)"};
inline constexpr MessageTemplate<> kNotDefinition212{"並非是 KivoRa 合併定義檔。(212)",
                                                     "This is not a KivoRa join definition. (212)"};
inline constexpr MessageTemplate<> kNotDefinition214{"並非是 KivoRa 合併定義檔。(214)",
                                                     "This is not a KivoRa join definition. (214)"};
inline constexpr MessageTemplate<> kBadNameInDefinition{
    "KivoRa 合併定義檔中含有不正確的檔名 (不能含有資料夾)。(215)",
    "The KivoRa join definition holds an invalid file name (it must not name a folder). (215)"};
inline constexpr MessageTemplate<> kSizesDisagree216{
    "KivoRa 合併定義檔中各分割檔的大小合計與來源檔案的大小不一致。(216)",
    "The part sizes in the KivoRa join definition do not add up to the size of the source file. "
    "(216)"};
inline constexpr MessageTemplate<> kBadEncryptionBlock217{
    "KivoRa 合併定義檔的加密資訊不完整，或是使用了不支援的加密方式。(217)",
    "The encryption data of the KivoRa join definition is incomplete, or uses an encryption that "
    "is not supported. (217)"};
inline constexpr MessageTemplate<> kDefinitionNotAuthentic252{
    "KivoRa 合併定義檔無法通過加密驗證：它已被修改或截短，或是屬於其他的分割檔組。(252)",
    "The KivoRa join definition fails the encryption check: it was changed or cut short, or "
    "belongs to another set. (252)"};
inline constexpr MessageTemplate<> kEncryptionRequired253{
    "這組分割檔並未以密碼加密，或是它的合併定義檔未經驗證；依指定不予處理。(253)",
    "This set is not encrypted, or its join definition is not authenticated; refused as asked. "
    "(253)"};
inline constexpr MessageTemplate<> kDefinitionNotAuthenticatedNote{
    "這組分割檔的合併定義檔未經驗證：其中的檔名、大小與 CRC-32 若遭修改將無從察覺；"
    "各分割檔的內容仍以密碼驗證。",
    "This set's join definition is not authenticated: a change to its names, sizes or CRC-32s "
    "would go unnoticed; the parts' contents are still checked with the password."};
inline constexpr MessageTemplate<> kPasswordNotUtf8{"密碼不是正確的 UTF-8 文字。",
                                                    "The password is not valid UTF-8 text."};
inline constexpr MessageTemplate<> kOutOfMemory222{"記憶體不足，故無法處理。(222)",
                                                   "Not enough memory to go on. (222)"};
inline constexpr MessageTemplate<> kNoBuiltinPendant{"無法取得圖像檔案！(221)",
                                                     "Cannot get the picture file! (221)"};

// Join
inline constexpr MessageTemplate<std::string> kMissingPartQuestion{
    "{}\n上面的檔案並不存在。是否要繼續進行合併？",
    "{}\nThe file above does not exist. Go on joining?"};
inline constexpr MessageTemplate<std::string> kCorruptPartQuestion{
    "{}\nCRC 檢查並不一致。是否要進行合併？", "{}\nThe CRC check does not match. Join it anyway?"};
inline constexpr MessageTemplate<> kDecodeFailed292{"檔案的復號化失敗... 殘念！(292)",
                                                    "Decrypting the file failed... Too bad! (292)"};
inline constexpr MessageTemplate<> kWrongPassword231{
    "所輸入的密碼並不一致，或是無法復號化。(231)",
    "The password does not match, or the file cannot be decrypted. (231)"};
inline constexpr MessageTemplate<> kOutputExistsQuestion{
    "相同的檔案名稱已經存在。\n您是否要變更檔名並另存新檔呢？",
    "A file of the same name already exists.\nSave the joined file under another name?"};
inline constexpr MessageTemplate<> kPasswordPrompt{"請輸入密碼，謝謝！",
                                                   "Please enter the password. Thank you!"};
// The password box names the set by the file it joins back to; after a wrong password it
// says so and asks again.
inline constexpr MessageTemplate<std::string> kPasswordPromptForSet{
    "「{}」的分割檔受密碼保護。\n請輸入密碼，謝謝！",
    "The parts of \"{}\" are protected by a password.\nPlease enter the password. Thank "
    "you!"};
inline constexpr MessageTemplate<std::string> kWrongPasswordAgain{
    "所輸入的密碼並不一致。(231)\n請再輸入一次「{}」的密碼：",
    "The password does not match. (231)\nType the password of \"{}\" again:"};
inline constexpr MessageTemplate<> kWrongPasswordRetry{
    "所輸入的密碼並不一致，或是無法復號化。(231)\n要重新輸入密碼嗎？選「否」則略過密碼，只檢查 "
    "CRC。",
    "The password does not match, or the file cannot be decrypted. (231)\nType the password "
    "again? No skips it and checks the CRCs only."};
inline constexpr MessageTemplate<> kVerifyPasswordPrompt{
    "輸入密碼即可一併驗證加密的內容；略過則只檢查 CRC。",
    "Enter the password to prove the encrypted content as well; skip to check the CRCs only."};
inline constexpr MessageTemplate<int> kUnknownCipher293{
    "不支援這種暗號化方式 (CipherKind {}) 的 KivoRa 合併定義檔。(293)",
    "KivoRa join definitions of this encryption (CipherKind {}) are not supported. (293)"};
inline constexpr MessageTemplate<> kCryptoLibraryFailed294{
    "無法啟動加密程式庫。(294)", "Cannot start the encryption library. (294)"};
inline constexpr MessageTemplate<std::string> kPartNotAuthentic251{
    "{}\n分割檔的內容無法通過加密驗證：檔案已毀損、遭到竄改，或是屬於其他的分割檔組。(251)",
    "{}\nThe part's content fails the encryption check: the file is damaged, was tampered with, or "
    "belongs to another set. (251)"};
inline constexpr MessageTemplate<> kCreateJoinedFailed241{
    "合併檔案的建立失敗... 殘念！(241)", "Creating the joined file failed... Too bad! (241)"};
inline constexpr MessageTemplate<> kReadPartFailed242{"讀取分割檔案失敗... 殘念！(242)",
                                                      "Reading the part failed... Too bad! (242)"};
inline constexpr MessageTemplate<> kWriteJoinedFailed243{
    "寫入合併檔案失敗... 殘念！(243)", "Writing the joined file failed... Too bad! (243)"};
inline constexpr MessageTemplate<> kJoinedSizeWrong244{
    "合併檔案的大小與 KivoRa 合併定義檔所記錄的不一致... 殘念！(244)",
    "The size of the joined file differs from the KivoRa join definition... Too bad! (244)"};
inline constexpr MessageTemplate<> kOutputNotAFile245{
    "合併檔案的儲存位置是資料夾、裝置或具名管道，而不是一般的檔案，因此無法取代。(245)",
    "The joined file's place is taken by a folder, a device or a named pipe, not a regular file, "
    "so it cannot be replaced. (245)"};
inline constexpr MessageTemplate<> kStateKeptBack{"保留", "Held"};
inline constexpr MessageTemplate<> kStateJoined{"合併", "Joined"};
inline constexpr MessageTemplate<> kStateMissing{"不存在", "Missing"};
inline constexpr MessageTemplate<> kStateCorrupt{"毀損", "Corrupt"};
inline constexpr MessageTemplate<int, int> kJoinProgress{"合併數: {}/{}", "Joined: {}/{}"};
inline constexpr MessageTemplate<> kJoinCompleted{"合併已完成。", "Join complete."};
inline constexpr MessageTemplate<> kJoinInterrupted{"合併已中斷。", "Join interrupted."};
inline constexpr MessageTemplate<> kJoinFailedClosing{"合併失敗。", "Join failed."};
inline constexpr MessageTemplate<int, int> kJoinIncomplete{
    "合併已結束，但輸出的檔案並不是原始檔案：略過了 {} 個不存在的分割檔，強制合併了 {} "
    "個毀損的分割檔。",
    "Join finished, but the output is not the source: {} missing parts skipped, {} damaged "
    "parts joined as they are."};

// Part test
inline constexpr MessageTemplate<> kStateOk{"OK", "OK"};
inline constexpr MessageTemplate<> kStateFixable{"可修正", "Fixable"};
inline constexpr MessageTemplate<int, int> kTestProgress{"進行的測試數: {}/{}", "Tested: {}/{}"};
inline constexpr MessageTemplate<> kTestFoundErrors{"已發現到錯誤了。", "Errors were found."};
inline constexpr MessageTemplate<> kTestInterrupted{"測試已中斷。", "Test interrupted."};
inline constexpr MessageTemplate<> kTestFailedClosing{"測試失敗。", "Test failed."};
inline constexpr MessageTemplate<> kTestFixableQuestion{
    "已發現到錯誤，但是修正是有可能的。\n要繼續進行合併嗎？",
    "Errors were found, but they can be fixed.\nGo on and join?"};
inline constexpr MessageTemplate<> kTestNoProblemQuestion{"找不到任何問題。是否要進行合併？",
                                                          "No problem found. Join now?"};
// The window's closing of a test that found errors: the counts, then the next step that
// fits the set.
inline constexpr MessageTemplate<int, int, int> kTestFoundErrorCounts{
    "已發現到錯誤了：{} 個不存在，{} 個毀損，{} 個可修正。",
    "Errors were found: {} missing, {} corrupt, {} fixable."};
inline constexpr MessageTemplate<> kTestNextRepair{
    "這組分割檔的修復檔可以重建它們。\n要現在修復嗎？",
    "The set's recovery parts can rebuild them.\nRepair them now?"};
inline constexpr MessageTemplate<> kTestNextResplit{
    "接下來可以照樣合併 (略過不存在的、強制合併毀損的分割檔)，"
    "或是在「再分割」頁用來源檔案重建這些分割檔。\n"
    "要到「再分割」頁重建它們嗎？ (這些分割檔會先選好)",
    "Next you can join anyway (skipping missing parts, joining corrupt ones as they are), or "
    "rebuild these parts from the source file on the Resplit page.\n"
    "Go to the Resplit page to rebuild them? (These parts will be selected there.)"};

// Re-split
inline constexpr MessageTemplate<> kSelectPartsToResplit{
    "請從一覽表上選擇要再次分割的檔案。", "Please select the parts to resplit in the list."};
inline constexpr MessageTemplate<> kDefinitionUpdated{
    "KivoRa 合併定義檔已更新。\n因為已重新讀取，故請重新選擇。",
    "The KivoRa join definition has changed.\nIt was read again; please select again."};
inline constexpr MessageTemplate<> kPluginMismatch291{"圖像掛件不一致。(291)",
                                                      "The pendant plug-in does not match. (291)"};
inline constexpr MessageTemplate<> kCannotOpenSource301{"檔案無法開啟。(301)",
                                                        "The file cannot be opened. (301)"};
inline constexpr MessageTemplate<> kResplitFailed311{"再分割已失敗... 殘念！(311)",
                                                     "Resplit failed... Too bad! (311)"};
inline constexpr MessageTemplate<> kResplitFailed312{"再分割已失敗... 殘念！(312)",
                                                     "Resplit failed... Too bad! (312)"};
inline constexpr MessageTemplate<int> kResplitOldCipher313{
    "舊版暗號化方式 (CipherKind {}) 的分割檔無法再分割。(313)",
    "Parts of the old encryption (CipherKind {}) cannot be resplit. (313)"};
inline constexpr MessageTemplate<> kResplitTargetIsSource314{
    "再分割的分割檔將會覆蓋來源檔案，因此無法再分割。請把分割檔存到別的資料夾。(314)",
    "A rebuilt part would overwrite the source file, so the parts cannot be resplit there. Save "
    "them in another folder. (314)"};
inline constexpr MessageTemplate<> kResplitTargetNotAFile315{
    "再分割的分割檔的位置是資料夾、裝置或具名管道，而不是一般的檔案，因此無法取代。(315)",
    "A rebuilt part's place is taken by a folder, a device or a named pipe, not a regular file, so "
    "it cannot be replaced. (315)"};
inline constexpr MessageTemplate<> kStateRedisguised{"再偽裝", "Redisguised"};
inline constexpr MessageTemplate<> kStateResplit{"再分割", "Resplit"};
inline constexpr MessageTemplate<> kStateMismatch{"不一致", "Mismatch"};
inline constexpr MessageTemplate<int, int> kResplitProgress{"再分割數: {}/{}", "Resplit: {}/{}"};
inline constexpr MessageTemplate<> kResplitCompleted{"再分割已完成。", "Resplit complete."};
inline constexpr MessageTemplate<> kResplitInterrupted{"再分割已中斷。", "Resplit interrupted."};
inline constexpr MessageTemplate<> kResplitFailedClosing{"再分割失敗。", "Resplit failed."};

// Repair from recovery parts
inline constexpr MessageTemplate<> kRepairTooManyLost321{
    "遺失或毀損的檔案太多，無法用修復檔重建。沒有變更任何檔案。(321)",
    "Too many files are lost or damaged to be rebuilt from the recovery parts. No file was "
    "changed. (321)"};
inline constexpr MessageTemplate<int, std::string, std::string, int, int> kRepairGroupLost{
    "第 {} 組：在各檔案的第 {} 至 {} 位元組，有 {} 個檔案遺失或毀損，最多只能重建 {} 個。",
    "Group {}: in bytes {} to {} of its files, {} files are lost or damaged; at most {} can be "
    "rebuilt."};
inline constexpr MessageTemplate<> kRepairNoRecovery322{
    "找不到這組分割檔的修復檔。(322)", "No recovery parts of this set were found. (322)"};
inline constexpr MessageTemplate<> kRepairCheckFailed323{
    "重建的檔案與記錄的 CRC 不一致... 殘念！(323)",
    "The rebuilt file does not match its recorded CRC... Too bad! (323)"};
inline constexpr MessageTemplate<> kRepairNotAuthentic328{
    "重建的分割檔無法通過加密驗證 (修復檔可能是在它被變更之後才建立的)，沒有放回原位。(328)",
    "The rebuilt part fails the encryption check (the recovery parts may have been made after it "
    "was changed); it was not put in place. (328)"};
inline constexpr MessageTemplate<> kRepairWriteFailed324{
    "寫入重建的檔案失敗... 殘念！(324)", "Writing the rebuilt file failed... Too bad! (324)"};
inline constexpr MessageTemplate<> kRepairIgnored325{
    "以下修復檔不屬於這組分割檔，或與定義檔不符，已略過。(325)",
    "These recovery parts do not belong to this set or do not match its definition; they were "
    "ignored. (325)"};
inline constexpr MessageTemplate<> kRepairStaysLost326{
    "有些檔案無法重建，仍然遺失或毀損。(326)",
    "Some files cannot be rebuilt and stay lost or damaged. (326)"};
inline constexpr MessageTemplate<int, int> kRepairGroupRecoveryLost{
    "第 {} 組：{} 個修復檔無法重建，這一組已沒有完好的修復檔。",
    "Group {}: {} recovery parts cannot be rebuilt; the group has no intact recovery part left."};
inline constexpr MessageTemplate<> kRepairNothingToDo{
    "沒有遺失或毀損的檔案，不需要修復。", "No file is lost or damaged; nothing to repair."};
inline constexpr MessageTemplate<int> kRepairAllPossible{
    "修復檔可以重建全部 {} 個遺失或毀損的檔案。",
    "The recovery parts can rebuild all {} lost or damaged files."};
inline constexpr MessageTemplate<int, int> kRepairPartlyPossible{
    "有 {} 個檔案遺失或毀損，修復檔只能重建其中的 {} 個。",
    "{} files are lost or damaged; the recovery parts can rebuild only {} of them."};
inline constexpr MessageTemplate<> kRepairQuestion{
    "已發現遺失或毀損的檔案，但是可以用修復檔重建。\n要進行修復嗎？",
    "Lost or damaged files were found, but the recovery parts can rebuild them.\nRepair them now?"};
inline constexpr MessageTemplate<> kStateRebuilt{"修復", "Rebuilt"};
inline constexpr MessageTemplate<int, int> kRepairProgress{"修復數: {}/{}", "Repaired: {}/{}"};
inline constexpr MessageTemplate<> kRepairCompleted{"修復已完成。", "Repair complete."};
inline constexpr MessageTemplate<> kRepairInterrupted{"修復已中斷。", "Repair interrupted."};
inline constexpr MessageTemplate<> kRepairFailedClosing{"修復失敗。", "Repair failed."};
inline constexpr MessageTemplate<> kFetchFailedClosing{"下載失敗。", "Fetch failed."};
inline constexpr MessageTemplate<int, int> kFetchProgress{"下載數: {}/{}", "Fetched: {}/{}"};
inline constexpr MessageTemplate<> kSendFailedClosing{"上傳失敗。", "Send failed."};
inline constexpr MessageTemplate<int, int> kSendProgress{"上傳數: {}/{}", "Sent: {}/{}"};
inline constexpr MessageTemplate<> kStateSent{"已上傳", "Sent"};
inline constexpr MessageTemplate<> kStateOnHost{"已在主機", "On host"};
inline constexpr MessageTemplate<> kStateRefused{"被拒", "Refused"};
inline constexpr MessageTemplate<> kStateNotSent{"未上傳", "Not sent"};

// Adding recovery parts to an existing set
inline constexpr MessageTemplate<std::string> kAddRecoveryDamaged327{
    "以下檔案遺失或毀損，因此無法為這組分割檔加入修復檔：{} (327)",
    "These files are missing or damaged, so no recovery parts can be added to this set: {} (327)"};
inline constexpr MessageTemplate<std::string> kAddRecoveryFixable327{
    "以下檔案的結尾有多餘的資料 (可修正)，因此無法為這組分割檔加入修復檔：{} (327)\n"
    "請先合併或再分割這組分割檔來修正它們。",
    "These files have extra bytes at their end (fixable), so no recovery parts can be added to "
    "this set: {} (327)\nJoin or resplit the set first to fix them."};
inline constexpr MessageTemplate<> kAddRecoveryRepairFirst{
    "這組分割檔已有修復檔：請先執行 kivora-cli repair 修復，再加入修復檔。",
    "The set has recovery parts: repair it first with kivora-cli repair, then add recovery parts."};
inline constexpr MessageTemplate<int, int> kAddRecoveryProgress{"修復檔編碼數: {}/{}",
                                                                "Coded for recovery: {}/{}"};
inline constexpr MessageTemplate<> kAddRecoveryCompleted{"修復檔已加入。", "Recovery parts added."};
inline constexpr MessageTemplate<> kAddRecoveryInterrupted{"加入修復檔已中斷。",
                                                           "Adding recovery parts interrupted."};
inline constexpr MessageTemplate<> kAddRecoveryFailedClosing{"加入修復檔失敗。",
                                                             "Adding recovery parts failed."};
inline constexpr MessageTemplate<std::string, std::string> kAddRecoveryHint{
    "要重新建立修復檔，請執行 kivora-cli add-recovery {} {}。",
    "To make the recovery parts again, run kivora-cli add-recovery {} {}."};
inline constexpr MessageTemplate<int, int> kRecoveryPartsShort{
    "這組分割檔應有 {} 個修復檔，但只有 {} 個還在並與它相符。",
    "The set should have {} recovery parts, but only {} are there and match it."};

// Summary rows of a definition
inline constexpr MessageTemplate<> kRowFileName{"檔案名稱", "File name"};
inline constexpr MessageTemplate<> kRowFileSize{"檔案大小", "File size"};
inline constexpr MessageTemplate<> kRowPartCount{"分割檔數目", "Parts"};
inline constexpr MessageTemplate<> kRowDisguise{"KivoRa 偽裝", "Disguise"};
inline constexpr MessageTemplate<> kRowPassword{"密碼", "Password"};
inline constexpr MessageTemplate<> kRowComment{"註解", "Comment"};
inline constexpr MessageTemplate<> kDisguiseNone{"無", "None"};
inline constexpr MessageTemplate<> kDisguisePlugin{"有 (使用了圖像掛件)", "Yes (pendant plug-in)"};
inline constexpr MessageTemplate<> kDisguiseYes{"有", "Yes"};
inline constexpr MessageTemplate<> kPasswordRequired{"需要", "Required"};
inline constexpr MessageTemplate<> kPasswordNotRequired{"不需要", "Not required"};
inline constexpr MessageTemplate<> kPasswordScrambles{"需要 (相容的擾亂方式，不具保密性)",
                                                      "Required (compatible scramble, not secret)"};
inline constexpr MessageTemplate<> kPasswordEncrypts{"需要 (加密)", "Required (encrypted)"};
inline constexpr MessageTemplate<> kPasswordEncryptsUnsigned{
    "需要 (加密，但合併定義檔未經驗證)",
    "Required (encrypted, but the join definition is not authenticated)"};
inline constexpr MessageTemplate<std::string> kBytes{"{} 個位元組",
                                                     "{} bytes"};  // a grouped number ("1,536,000")

// Reasons under a failure message: a path and the system's own words
inline constexpr MessageTemplate<std::string, std::string> kOpenFileFailed{
    "無法開啟檔案「{}」：{}", "Cannot open the file \"{}\": {}"};
inline constexpr MessageTemplate<std::string, std::string> kCreateFileFailed{
    "無法建立檔案「{}」：{}", "Cannot create the file \"{}\": {}"};
inline constexpr MessageTemplate<std::string, std::string> kReadFileFailed{
    "無法讀取檔案「{}」：{}", "Cannot read the file \"{}\": {}"};
inline constexpr MessageTemplate<std::string, std::string> kWriteFileFailed{
    "無法寫入檔案「{}」：{}", "Cannot write the file \"{}\": {}"};
inline constexpr MessageTemplate<std::string, std::string> kSeekFileFailed{
    "無法移動檔案位置「{}」：{}", "Cannot move within the file \"{}\": {}"};
inline constexpr MessageTemplate<std::string, std::string> kTellFileFailed{
    "無法取得檔案位置「{}」：{}", "Cannot get the position in the file \"{}\": {}"};
inline constexpr MessageTemplate<std::string> kNotRegularFile{
    "無法開啟檔案「{}」：不是一般的檔案", "Cannot open the file \"{}\": not a regular file"};
inline constexpr MessageTemplate<std::string> kNotReplaceable{
    "無法建立檔案「{}」：同名的項目不是一般的檔案，不能取代",
    "Cannot create the file \"{}\": what has that name is not a regular file, so it is not "
    "replaced"};
inline constexpr MessageTemplate<std::string, std::string> kPathReason{"「{}」：{}", "\"{}\": {}"};
inline constexpr MessageTemplate<std::string> kUntrustedJournal{
    "「{}」記錄著一次未完成的替換，但它不是本程式為這組分割檔寫下的，因此不予執行，"
    "也沒有更動任何檔案。若不認得它，請將它移走或刪除後再試。",
    "\"{}\" records an unfinished replacement, but this program did not write it for this "
    "set, so it is not carried out and no file was changed. If you do not know it, move it "
    "away or delete it, then try again."};
inline constexpr MessageTemplate<std::string> kJournalKeyRefused{
    "無法使用金鑰檔「{}」：它必須是屬於你、只有你能讀寫的一般檔案（權限 0600）。"
    "請修正或刪除它後再試。",
    "Cannot use the key file \"{}\": it must be a regular file of yours that only you may "
    "read and write (mode 0600). Correct it or delete it, then try again."};
inline constexpr MessageTemplate<std::string> kJournalKeyFolderRefused{
    "無法使用金鑰資料夾「{}」：它必須是屬於你、只有你能寫入的資料夾（不是連結）。"
    "請修正它的權限後再試。",
    "Cannot use the key folder \"{}\": it must be a folder of yours (not a link) that only you "
    "may write in. Correct its permissions, then try again."};
inline constexpr MessageTemplate<> kCommitPending{
    "有一次中斷的替換正在等待；下一次寫入這組分割檔時會完成它",
    "an interrupted replacement is waiting; the next write of the set finishes it"};
inline constexpr MessageTemplate<std::string> kFileShorterThanExpected{
    "檔案「{}」比預期的短。", "The file \"{}\" is shorter than expected."};
inline constexpr MessageTemplate<std::string> kPartShorterThanRecorded{
    "{}：檔案比合併定義檔所記錄的短。",
    "{}: the file is shorter than the join definition records."};
// A part the join to a pipe would have to hold whole, far longer than any part.
inline constexpr MessageTemplate<> kPartTooLongToHold{
    "分割檔遠比合併定義檔所記錄的長，無法在輸出之前先行驗證。",
    "The part is far longer than the join definition records; it cannot be proved before it "
    "is written."};
// The joined file, its size and the size its definition records.
inline constexpr MessageTemplate<std::string, std::string, std::string> kJoinedSizes{"{}：{} / {}",
                                                                                     "{}: {} / {}"};
inline constexpr MessageTemplate<std::string> kDefinitionTooLarge{
    "檔案「{}」太大，不是合併定義檔。", "The file \"{}\" is too large to be a join definition."};
// Two texts, the second on a line of its own.
inline constexpr MessageTemplate<MessageText, MessageText> kLineThenLine{"{}\n{}", "{}\n{}"};
inline constexpr MessageTemplate<> kOutOfMemory{"記憶體不足", "Out of memory"};
inline constexpr MessageTemplate<int> kMaxPartSize{"最大分割檔大小為 {} KB",
                                                   "The largest part size is {} KB"};
inline constexpr MessageTemplate<> kNoPartToImplant{"沒有可以置入的分割檔。",
                                                    "There is no part to implant it in."};
inline constexpr MessageTemplate<> kNoBig5Converter{
    "無法載入 Big5 (code page 950) 字碼轉換表。",
    "Cannot load the Big5 (code page 950) conversion table."};
// The first value names the text (one of the names below), the second is the text.
inline constexpr MessageTemplate<> kPasswordNotBig5{
    "密碼含有無法以 Big5 (code page 950) 表示的字元。",
    "The password holds characters that Big5 (code page 950) cannot represent."};
inline constexpr MessageTemplate<MessageText, std::string> kNotBig5{
    "{}含有無法以 Big5 (code page 950) 表示的字元：{}",
    "{} has characters that Big5 (code page 950) cannot hold: {}"};
inline constexpr MessageTemplate<> kNameOfSource{"分割來源的檔名", "Source file name"};
inline constexpr MessageTemplate<> kNameOfPart{"分割檔名", "Part file name"};
inline constexpr MessageTemplate<> kNameOfBase{"分割檔名稱", "Part name"};
inline constexpr MessageTemplate<> kNameOfExtension{"副檔名", "Extension"};
inline constexpr const auto& kNameOfComment = kRowComment;

}  // namespace kivora::msg
