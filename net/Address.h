#pragma once
// An address a file of a set is fetched from: http, https or ftp, nothing else. Its last
// path segment only matches it to a file the definition names; it never names a file.

#include <string>
#include <string_view>

namespace kivora::net {

struct Address {
  std::string url;       // as given, with bytes outside printable ASCII percent-encoded
  std::string host;      // scheme://host:port, for the limit of transfers a host
  std::string mirror;    // host and folder path: the copy of the set it belongs to
  std::string fileName;  // the last path segment, percent-decoded
};

// True when the text has the form of an address ("scheme://..."), not of a local path.
bool LooksLikeAddress(std::string_view text);

// Throws KivoraError that names the address when its scheme is not http, https or ftp
// (file:// included) or when it cannot be read as an address.
Address ParseAddress(std::string_view text);

// The address of `fileName` in the same folder of the same server, without the query.
Address SiblingAddress(const Address& address, std::string_view fileName);

}  // namespace kivora::net
