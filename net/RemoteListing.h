#pragma once
// The names a host's folder listing holds: the file names of a WebDAV PROPFIND answer
// (its href elements, whatever their namespace prefix, entities and percent-escapes
// decoded, the folder itself left out) or of an FTP NLST or SFTP name list (one a line).
// The listing comes from the host: a name that does not decode is left out, never guessed.

#include <string>
#include <string_view>
#include <vector>

#include "net/SendHosts.h"

namespace kivora::net {

std::vector<std::string> NamesInListing(HostKind kind, std::string_view listing);

}  // namespace kivora::net
