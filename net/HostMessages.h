#pragma once
// Texts about reaching hosts and signing in to them, in Chinese and English.

#include <string>

#include "core/text/MessageText.h"

namespace kivora::net::texts {

inline constexpr MessageTemplate<std::string> kPasswordInAddress{
    "拒絕位址「{}」：位址中不可含有密碼；請寫在 ~/.netrc 或環境變數 KIVORA_HOST_PASSWORD 中。",
    "Address \"{}\" refused: an address may not hold a password; put it in ~/.netrc or in "
    "KIVORA_HOST_PASSWORD."};
inline constexpr MessageTemplate<std::string> kBadFingerprint{
    "主機金鑰指紋「{}」不是 SHA256:BASE64 的形式 (如 ssh-keygen -l 所示)。",
    "The host key fingerprint \"{}\" is not of the form SHA256:BASE64 (as ssh-keygen -l "
    "shows it)."};
inline constexpr MessageTemplate<std::string> kBadEndpoint{
    "S3 端點「{}」不是 http 或 https 位址。",
    "The S3 endpoint \"{}\" is no http or https address."};
inline constexpr MessageTemplate<std::string> kNotS3Object{
    "位址「{}」不是 s3://儲存桶/物件 的形式。",
    "The address \"{}\" is not of the form s3://BUCKET/KEY."};
inline constexpr MessageTemplate<std::string> kHostKeyRefused{
    "{} 的主機金鑰不在 known_hosts 中、已經改變，或與指定的指紋不符：拒絕連線。",
    "The host key of {} is not in known_hosts, has changed, or does not match the given "
    "fingerprint: not connected."};
inline constexpr MessageTemplate<std::string, std::string> kHostOptionRefused{
    "無法為 {} 設定連線的限制 (允許的協定或主機金鑰檢查)：{}；不連線。",
    "The limits of a connection to {} (allowed protocols or host key check) could not be "
    "set: {}; not connected."};
inline constexpr MessageTemplate<std::string> kLoginRefused{
    "{} 拒絕登入 (使用者金鑰或密碼)。", "{} refused the login (user key or password)."};

}  // namespace kivora::net::texts
