#pragma once
// The texts of sending a set, in Chinese and English.

#include <cstdint>
#include <string>

#include "core/text/MessageText.h"

namespace kivora::net::texts {

inline constexpr MessageTemplate<std::string, std::string> kSendSchemeRefused{
    "拒絕位址「{}」：只能上傳到 http、https (WebDAV)、ftp、ftps、sftp 或 s3，不接受「{}」。",
    "Address \"{}\" refused: sets are sent to http, https (WebDAV), ftp, ftps, sftp and s3 only, "
    "not "
    "\"{}\"."};
inline constexpr MessageTemplate<std::string> kSendPasswordInAddress{
    "位址「{}」含有密碼：請把密碼放在 ~/.netrc、KIVORA_SEND_PASSWORD 或主機清單檔中。",
    "The address \"{}\" holds a password: put it in ~/.netrc, KIVORA_SEND_PASSWORD or a hosts "
    "file instead."};
inline constexpr MessageTemplate<std::string> kHostsFileOpen{
    "主機清單檔「{}」可被其他使用者讀取：請執行 chmod 600。",
    "The hosts file \"{}\" can be read by other users: run chmod 600 on it."};
inline constexpr MessageTemplate<std::string> kHostsFileUnreadable{
    "無法讀取主機清單檔「{}」。", "Cannot read the hosts file \"{}\"."};
inline constexpr MessageTemplate<std::string, int> kHostsFileLine{
    "主機清單檔「{}」第 {} 行無法解讀。", "Line {1} of the hosts file \"{0}\" does not read."};
inline constexpr MessageTemplate<> kNoHosts{"沒有指定任何主機 (--to 或 --hosts)。",
                                            "No host was given (--to or --hosts)."};
inline constexpr MessageTemplate<std::string, std::int64_t, std::string, std::int64_t> kTooLarge{
    "「{}」({} 位元組) 超過主機 {} 接受的最大檔案大小 {} 位元組。",
    "\"{}\" ({} bytes) is larger than host {} takes ({} bytes at most)."};
inline constexpr MessageTemplate<std::string> kNoHostTakes{"沒有任何主機能接收「{}」。",
                                                           "No host can take \"{}\"."};
inline constexpr MessageTemplate<std::string> kUnsendableName{
    "「{}」不能當作主機上的檔名。", "\"{}\" cannot be a file name on a host."};
inline constexpr MessageTemplate<std::string> kPartNotAsRecorded{
    "「{}」不存在或長度與合併定義不符：請先測試並修復這組分割檔。",
    "\"{}\" is missing or not as long as the join definition records: test and repair the set "
    "first."};
inline constexpr MessageTemplate<> kSpreadNeedsHosts{"--spread 至少需要兩台主機。",
                                                     "--spread needs at least two hosts."};
inline constexpr MessageTemplate<int, int, int, int> kSpreadShort{
    "分散上傳時，第 {} 組的 {} 個檔案中，一台主機會保有 {} 個，但這組只有 {} "
    "個修復檔：失去一台主機就無法還原。",
    "Spread over the hosts, one host would hold {2} of the {1} files of group {0}, but the "
    "group has only {3} recovery parts: losing that host would lose the set."};
inline constexpr MessageTemplate<std::string, int> kAddRecoveryToSpread{
    "請先執行 kivora-cli add-recovery {} {}，再上傳；這次沒有上傳任何檔案。",
    "Run kivora-cli add-recovery {} {} first, then send again; nothing was sent."};
inline constexpr MessageTemplate<> kSpreadImpossible{
    "這組分割檔無法分散到這些主機而仍能承受失去任何一台。",
    "No number of recovery parts lets this set survive the loss of any one of these hosts."};
inline constexpr MessageTemplate<std::string, std::string> kPlacementLine{"「{}」→ {}",
                                                                          "\"{}\" -> {}"};
inline constexpr MessageTemplate<std::string, std::string> kSentTo{"「{}」已上傳到 {} 並確認無誤",
                                                                   "\"{}\" sent to {} and proved"};
inline constexpr MessageTemplate<std::string, std::string> kAlreadyThere{
    "「{}」已在 {} 上且確認無誤", "\"{}\" is on {} already and proves"};
inline constexpr MessageTemplate<std::string, std::string, MessageText> kNotSent{
    "「{}」無法上傳到 {}：{}", "\"{}\" could not be sent to {}: {}"};
inline constexpr MessageTemplate<std::string, std::string> kHostFull{
    "主機 {} 拒收「{}」：檔案太大或空間已滿 (413 或配額)",
    "Host {} refused \"{}\": too large or over its quota (413 or quota)"};
inline constexpr MessageTemplate<std::string, std::string, MessageText> kLeftoverStays{
    "{} 上的「{}」無法移除：{}", "{} keeps \"{}\", which could not be removed: {}"};
inline constexpr MessageTemplate<std::string, std::string> kMovedToOtherHost{
    "「{}」改傳到 {}", "\"{}\" goes to {} instead"};
inline constexpr MessageTemplate<std::int64_t, std::int64_t> kLengthMismatch{
    "主機回報的長度是 {} 位元組，應為 {} 位元組", "the host reports {} bytes instead of {}"};
inline constexpr MessageTemplate<> kCrcMismatch{"主機回報的 CRC-32 不符",
                                                "the host reports another CRC-32"};
inline constexpr MessageTemplate<int> kHostStatus{"主機回應 {}", "the host answered {}"};
inline constexpr MessageTemplate<int, int, int> kSendSummary{
    "共 {} 份複本：上傳了 {} 份，{} 份原本就在主機上。",
    "{} copies: {} sent, {} on their hosts already."};
inline constexpr MessageTemplate<int> kSendIncomplete{"有 {} 份複本沒有上傳成功。",
                                                      "{} copies were not sent."};
inline constexpr MessageTemplate<> kSendFailed{"上傳失敗。", "The send failed."};
inline constexpr MessageTemplate<> kSendInterrupted{
    "上傳已中斷；再次執行即可從中斷處繼續。",
    "The send was interrupted; run it again to go on where it stopped."};
inline constexpr MessageTemplate<std::string> kListWritten{"已寫出清單「{}」",
                                                           "Wrote the list \"{}\""};

}  // namespace kivora::net::texts
