#pragma once
// The hosts a set is sent to: folder addresses from the command line or from a hosts
// file, each with its largest file size and its credentials. A password never comes
// from the command line: it comes from the hosts file (which only its owner may read),
// from KIVORA_SEND_PASSWORD, or from ~/.netrc, and it is never part of an address that
// is shown, listed or logged.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/payload/SecretText.h"

namespace kivora::net {

enum class HostKind { WebDav, Ftp, Sftp, S3 };

struct SendHost {
  std::string url;  // the folder, ending in "/", without user or password
  HostKind kind = HostKind::WebDav;
  std::string hostKey;       // scheme://host:port, for the transfers a host
  std::int64_t maxSize = 0;  // largest file the host takes; 0: no limit
  std::string user;          // empty: from ~/.netrc, or none
  std::optional<SecretText> password;
};

// A folder address as --to gives it ("http://host/folder/", "ftp://user@host/dir",
// "sftp://host/abs/dir/", "s3://BUCKET/PREFIX/").
// Throws KivoraError for another scheme, an unreadable address, or one that holds a
// password (which would then be seen in the process list).
SendHost ParseSendHost(std::string_view text);

// The hosts of a hosts file: one a line, "ADDRESS [max-size=SIZE] [user=NAME]
// [password=SECRET]", blank lines and lines starting with "#" skipped. Throws KivoraError
// when the file can be read by another user than its owner, or for a line that does
// not read (named by its number, never with its text).
std::vector<SendHost> ReadHostsFile(const std::filesystem::path& path);

// "100", "64K", "700M", "4G" (powers of 1024); empty optional when it is not a size.
std::optional<std::int64_t> ParseByteSize(std::string_view text);

// Fills in the password from KIVORA_SEND_PASSWORD for hosts with a user and none given.
void TakePasswordFromEnvironment(std::vector<SendHost>& hosts);

}  // namespace kivora::net
