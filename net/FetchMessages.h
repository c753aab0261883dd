#pragma once
// The fetch's own texts, in Chinese and English.

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
inline constexpr MessageTemplate<> kNoDefinitionListed{
    "位址中找不到合併定義檔，也找不到帶有合併定義的最後一個分割檔。",
    "None of the addresses names a join definition or a last part that carries one."};
inline constexpr MessageTemplate<std::string> kSeveralDefinitions{
    "位址中有不只一個合併定義檔 (例如「{}」)：一次只能下載一組分割檔。",
    "The addresses name more than one join definition (such as \"{}\"): fetch one set at a "
    "time."};
inline constexpr MessageTemplate<std::string> kDefinitionNotFetched{
    "無法取得合併定義「{}」。", "Could not fetch the join definition \"{}\"."};
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
inline constexpr MessageTemplate<int> kHttpStatus{"伺服器回應 HTTP {}",
                                                  "the server answered HTTP {}"};
inline constexpr MessageTemplate<std::string> kTransferFailed{"傳輸失敗：{}",
                                                              "the transfer failed: {}"};
inline constexpr MessageTemplate<int, int, int> kFetchSummary{
    "共 {} 個檔案：下載了 {} 個，{} 個原本就在資料夾中。",
    "{} files: {} fetched, {} already in the folder."};
inline constexpr MessageTemplate<int> kFetchIncomplete{"有 {} 個檔案無法取得。",
                                                       "{} files could not be had."};
inline constexpr MessageTemplate<> kFetchFailed{"下載失敗。", "The fetch failed."};
inline constexpr MessageTemplate<> kFetchInterrupted{
    "下載已中斷；再次執行即可從中斷處繼續。",
    "The fetch was interrupted; run it again to go on where it stopped."};

}  // namespace kivora::net::texts
