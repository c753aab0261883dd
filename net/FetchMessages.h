#pragma once
// The fetch's own texts, in Chinese and English.

#include <cstdint>
#include <string>

#include "core/text/MessageText.h"

namespace kivora::net::texts {

inline constexpr MessageTemplate<std::string, std::string> kSchemeRefused{
    "拒絕位址「{}」：只接受 http、https、ftp、ftps、sftp 或 s3 位址，不接受「{}」。",
    "Address \"{}\" refused: only http, https, ftp, ftps, sftp and s3 addresses are taken, not "
    "\"{}\"."};
inline constexpr MessageTemplate<std::string> kAddressUnreadable{"無法解讀位址「{}」。",
                                                                 "Cannot read the address \"{}\"."};
inline constexpr MessageTemplate<std::string> kListNotInEncoding{
    "清單檔「{}」含有不屬於使用者編碼的位元組。",
    "The list file \"{}\" holds bytes that are not valid in the user's encoding."};
inline constexpr MessageTemplate<std::string, int, int, std::string> kListLineTooLong{
    "清單檔「{}」第 {} 行超過 {} 個字元，不是位址：「{}…」",
    "In the list file \"{}\", line {} is longer than {} characters and no address: \"{}…\""};
inline constexpr MessageTemplate<> kNoDefinitionListed{
    "位址中找不到合併定義檔，也找不到帶有合併定義的最後一個分割檔。",
    "None of the addresses names a join definition or a last part that carries one."};
inline constexpr MessageTemplate<std::string> kSeveralDefinitions{
    "位址中有不只一個合併定義檔 (例如「{}」)：一次只能下載一組分割檔。",
    "The addresses name more than one join definition (such as \"{}\"): fetch one set at a "
    "time."};
inline constexpr MessageTemplate<std::string> kDefinitionNotFetched{
    "無法取得合併定義「{}」。", "Could not fetch the join definition \"{}\"."};
inline constexpr MessageTemplate<std::string> kDefinitionChanged{
    "「{}」在等待鎖定時被另一個程式改變了；請再執行一次。",
    "\"{}\" was changed by another writer while the fetch waited for the set's lock; run it "
    "again."};
inline constexpr MessageTemplate<std::string> kNotLastPart{
    "「{}」所帶的合併定義並未把它列為最後一個分割檔。",
    "The join definition carried by \"{}\" does not name it as the last part."};
inline constexpr MessageTemplate<std::string> kNotOfTheSet{
    "略過「{}」：它不是這組分割檔的檔案。", "Skipped \"{}\": it is no file of this set."};
inline constexpr MessageTemplate<std::string> kAlreadyHere{
    "「{}」已在資料夾中且檢查無誤。", "\"{}\" is in the folder already and tests OK."};
inline constexpr MessageTemplate<std::string, std::string> kFetchedFrom{"「{}」取自 {}",
                                                                        "\"{}\" came from {}"};
inline constexpr MessageTemplate<std::string, MessageText> kCouldNotFetch{
    "無法取得「{}」：{}", "Could not fetch \"{}\": {}"};
inline constexpr MessageTemplate<std::string> kNoAddress{"沒有任何位址提供「{}」。",
                                                         "No address serves \"{}\"."};
inline constexpr MessageTemplate<> kBadBytes{"下載的資料與合併定義不符",
                                             "the bytes served do not match the join definition"};
inline constexpr MessageTemplate<> kTooLong{
    "下載的資料比合併定義所記錄的長", "more bytes were served than the join definition records"};
inline constexpr MessageTemplate<std::int64_t, std::int64_t> kEndedAtWrongLength{
    "伺服器在 {} 個位元組處結束傳輸，合併定義記錄的是 {} 個位元組",
    "the server ended the transfer at {} bytes where the join definition records {}"};
inline constexpr MessageTemplate<int> kHttpStatus{"伺服器回應 HTTP {}",
                                                  "the server answered HTTP {}"};
inline constexpr MessageTemplate<std::string> kTransferFailed{"傳輸失敗：{}",
                                                              "the transfer failed: {}"};
inline constexpr MessageTemplate<std::string, std::string> kDefinitionTooLarge{
    "取自 {} 的「{}」比任何合併定義都大，已拒絕。",
    "From {}, \"{}\" is larger than any join definition can be: refused."};
inline constexpr MessageTemplate<std::string, int> kMirrorDropped{
    "{} 失敗了 {} 次，本次下載不再使用它。",
    "{} failed {} times and was not used for the rest of the fetch."};
inline constexpr MessageTemplate<std::string, int> kMirrorTriedLast{
    "{} 失敗了 {} 次，之後排在其他伺服器之後。",
    "{} failed {} times and was tried after the other servers from then on."};
inline constexpr MessageTemplate<std::string> kMirrorDroppedBefore{
    "「{}」的其餘位址所在的伺服器已因多次失敗而不再使用。",
    "The other addresses of \"{}\" are on servers no longer used after their failures."};
inline constexpr MessageTemplate<std::string, std::string> kForeignDefinition{
    "{} 提供的「{}」是另一組分割檔的合併定義。",
    "{} serves another set's join definition as \"{}\"."};
inline constexpr MessageTemplate<> kStoppedByWriteError{
    "資料夾無法再寫入，其餘檔案未下載。",
    "The folder could not be written to any more; the remaining files were not fetched."};
inline constexpr MessageTemplate<int, int, int> kFetchSummary{
    "共 {} 個檔案：下載了 {} 個，{} 個原本就在資料夾中。",
    "{} files: {} fetched, {} already in the folder."};
inline constexpr MessageTemplate<int, int, int, int> kFetchSummaryIncomplete{
    "共 {} 個檔案：下載了 {} 個，{} 個原本就在資料夾中，{} 個無法取得。",
    "{} files: {} fetched, {} already in the folder, {} could not be had."};
// The window's offer after a fetch that brought a set.
inline constexpr MessageTemplate<std::string> kJoinFetchedSet{
    "這組分割檔已下載到資料夾：\n{}\n\n要現在合併嗎？",
    "The set was fetched into the folder:\n{}\n\nJoin it now?"};
inline constexpr MessageTemplate<std::string> kRepairAndJoinFetchedSet{
    "這組分割檔已下載到資料夾：\n{}\n有些檔案無法取得，但修復檔可以重建它們。\n\n"
    "要現在修復並合併嗎？",
    "The set was fetched into the folder:\n{}\nSome files could not be had, but the recovery "
    "parts can rebuild them.\n\nRepair and join it now?"};
inline constexpr MessageTemplate<> kFetchInterrupted{
    "下載已中斷；再次執行即可從中斷處繼續。",
    "The fetch was interrupted; run it again to go on where it stopped."};

}  // namespace kivora::net::texts
