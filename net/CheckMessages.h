#pragma once
// The texts of a check of the copies on the hosts, in Chinese and English.

#include <cstdint>
#include <string>

#include "core/text/MessageText.h"

namespace kivora::net::texts {

inline constexpr MessageTemplate<std::int64_t, std::int64_t> kWrongLength{
    "主機上的檔案有 {} 位元組，合併定義記錄的是 {} 位元組",
    "the host has {} bytes, the join definition records {}"};
inline constexpr MessageTemplate<std::string, std::string> kWrongHostCrc{
    "主機記錄的 CRC-32 是 {}，合併定義記錄的是 {}",
    "the host's CRC-32 is {}, the join definition records {}"};
inline constexpr MessageTemplate<std::string, std::string> kCopyProvedByHost{
    "「{}」在 {} 無誤 (長度與主機的 CRC-32)。",
    "\"{}\" proves at {} (its length and the host's CRC-32)."};
inline constexpr MessageTemplate<std::string, std::string> kCopyProvedStreamed{
    "「{}」在 {} 無誤 (資料逐位元組計算 CRC-32)。",
    "\"{}\" proves at {} (its bytes streamed through the CRC-32)."};
inline constexpr MessageTemplate<std::string, std::string, MessageText> kCopyWrong{
    "「{}」在 {} 不正確：{}", "\"{}\" is wrong at {}: {}"};
inline constexpr MessageTemplate<std::string, std::string> kCopyMissing{"「{}」不在 {}。",
                                                                        "\"{}\" is not at {}."};
inline constexpr MessageTemplate<std::string, std::string, MessageText> kCopyFailed{
    "無法檢查「{}」(位於 {})：{}", "Could not check \"{}\" at {}: {}"};
inline constexpr MessageTemplate<int, int, int> kCheckSummary{
    "共 {} 個檔案：{} 個至少在一部主機上無誤，{} 個在任何主機上都不正確或不存在。",
    "{} files: {} prove on at least one host, {} on none."};
inline constexpr MessageTemplate<> kPlanNothingLost{
    "每個檔案都至少在一部主機上無誤，不需要修復。",
    "Every file proves on at least one host: nothing needs repair."};
inline constexpr MessageTemplate<int> kPlanRebuildable{
    "修復計畫：無誤的修復檔可以重建在任何主機上都不正確的 {} 個檔案 (kivora-cli fetch --join "
    "會下載並重建)。",
    "Repair plan: the recovery parts that prove can rebuild the files that prove on no host "
    "({}); kivora-cli fetch --join fetches the set and rebuilds them."};
inline constexpr MessageTemplate<int, int> kPlanPartly{
    "修復計畫：有 {} 個檔案在任何主機上都不正確，修復檔只能重建其中 {} 個；原始檔案仍可還原。",
    "Repair plan: {} files prove on no host, of which the recovery parts can rebuild {}; the "
    "source can still be joined."};
inline constexpr MessageTemplate<int, int> kPlanLost{
    "修復計畫：有 {} 個檔案在任何主機上都不正確，修復檔只能重建其中 {} 個；這組分割檔無法還原。",
    "Repair plan: {} files prove on no host, of which the recovery parts can rebuild {}; the "
    "set cannot be rebuilt from what the hosts hold."};
inline constexpr MessageTemplate<> kCheckFailed{"檢查失敗。", "The check failed."};
inline constexpr MessageTemplate<> kCheckInterrupted{"檢查已中斷。", "The check was interrupted."};

}  // namespace kivora::net::texts
