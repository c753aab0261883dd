#pragma once
// An address a file of a set is fetched from or sent to: http, https, ftp, ftps, sftp or
// s3://BUCKET/KEY, nothing else. Its last path segment only matches it to a file the
// definition names; it never names a file.

#include <string>
#include <string_view>

namespace kivora::net {

enum class Scheme { Http, Https, Ftp, Ftps, Sftp, S3 };

struct Address {
  Scheme scheme = Scheme::Http;
  std::string url;       // as given, with bytes outside printable ASCII percent-encoded
  std::string host;      // scheme://host:port, for the limit of transfers a host
  std::string mirror;    // host and folder path: the copy of the set it belongs to
  std::string fileName;  // the last path segment, percent-decoded
};

// True when the text has the form of an address ("scheme://..."), not of a local path.
bool LooksLikeAddress(std::string_view text);

// Throws KivoraError that names the address when its scheme is none of the above
// (file:// included), when it cannot be read as an address, when an s3 address names no
// bucket, or when it holds a password (which would then show wherever it is shown).
Address ParseAddress(std::string_view text);

// The address of `fileName` in the same folder of the same server, without the query.
Address SiblingAddress(const Address& address, std::string_view fileName);

}  // namespace kivora::net
