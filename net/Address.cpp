#include "net/Address.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <new>
#include <optional>

#include "core/KivoraError.h"
#include "net/FetchMessages.h"
#include "net/HostMessages.h"

namespace kivora::net {
namespace {

struct UrlCloser {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlCloser>;

std::string UrlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) return {};
  std::string result(text);
  curl_free(text);
  return result;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// `keep` tells which bytes stay as they are; every other byte becomes %XX.
template <typename Keep>
std::string PercentEncode(std::string_view text, Keep keep) {
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (keep(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 15];
    }
  }
  return encoded;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string decoded;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    decoded += text[i];
  }
  return decoded;
}

// The text as a message may show it: whatever stands before an '@' of the authority (a
// user and, maybe, a password) is blanked, whether or not the text reads as an address.
std::string Shown(std::string_view text) {
  const size_t start = text.find("://");
  if (start == std::string_view::npos) return std::string(text);
  const size_t from = start + 3;
  // A password may hold a '/' of its own: up to the query, the last '@' ends the user part.
  const size_t end = std::min(text.find_first_of("?#", from), text.size());
  const size_t at = text.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < from) return std::string(text);
  return std::string(text.substr(0, from)) + "***" + std::string(text.substr(at));
}

UrlHandle ParsedUrl(const std::string& url, std::string_view given) {
  UrlHandle handle(curl_url());
  if (!handle) throw std::bad_alloc();
  if (curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
      CURLUE_OK) {
    throw KivoraError(texts::kAddressUnreadable(Shown(given)));
  }
  return handle;
}

std::optional<Scheme> SchemeNamed(std::string_view name) {
  if (name == "http") return Scheme::Http;
  if (name == "https") return Scheme::Https;
  if (name == "ftp") return Scheme::Ftp;
  if (name == "ftps") return Scheme::Ftps;
  if (name == "sftp") return Scheme::Sftp;
  if (name == "s3") return Scheme::S3;
  return std::nullopt;
}

Address Describe(CURLU* url, std::string_view given) {
  Address address;
  address.url = UrlPart(url, CURLUPART_URL);
  std::string scheme = UrlPart(url, CURLUPART_SCHEME);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  address.scheme = SchemeNamed(scheme).value_or(Scheme::Http);
  // Every bucket lies behind the one endpoint, whose port the address does not give.
  address.host = scheme + "://" + UrlPart(url, CURLUPART_HOST);
  if (address.scheme != Scheme::S3)
    address.host += ":" + UrlPart(url, CURLUPART_PORT, CURLU_DEFAULT_PORT);
  const std::string path = UrlPart(url, CURLUPART_PATH);
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "/" : path.substr(0, slash + 1);
  address.mirror = address.host + folder;
  address.fileName = PercentDecode(slash == std::string::npos ? path : path.substr(slash + 1));
  if (address.url.empty()) throw KivoraError(texts::kAddressUnreadable(Shown(given)));
  return address;
}

}  // namespace

bool LooksLikeAddress(std::string_view text) {
  const size_t colon = text.find("://");
  if (colon == std::string_view::npos || colon == 0) return false;
  for (const char c : text.substr(0, colon)) {
    const bool schemeChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!schemeChar) return false;
  }
  return true;
}

Address ParseAddress(std::string_view text) {
  // curl takes printable ASCII only: a name typed in another script is sent as UTF-8.
  const std::string encoded =
      PercentEncode(text, [](unsigned char byte) { return byte > 0x20 && byte < 0x7f; });
  const UrlHandle url = ParsedUrl(encoded, text);
  std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!UrlPart(url.get(), CURLUPART_PASSWORD).empty()) {
    // The address is named without its password.
    curl_url_set(url.get(), CURLUPART_PASSWORD, nullptr, 0);
    throw KivoraError(texts::kPasswordInAddress(UrlPart(url.get(), CURLUPART_URL)));
  }
  const std::optional<Scheme> known = SchemeNamed(scheme);
  if (!known) throw KivoraError(texts::kSchemeRefused(Shown(text), scheme));
  if (*known == Scheme::S3 &&
      (UrlPart(url.get(), CURLUPART_HOST).empty() || !UrlPart(url.get(), CURLUPART_PORT).empty() ||
       !UrlPart(url.get(), CURLUPART_USER).empty() ||
       UrlPart(url.get(), CURLUPART_PATH).size() < 2)) {
    throw KivoraError(texts::kNotS3Object(Shown(text)));
  }
  return Describe(url.get(), text);
}

Address SiblingAddress(const Address& address, std::string_view fileName) {
  const UrlHandle url = ParsedUrl(address.url, address.url);
  std::string path = UrlPart(url.get(), CURLUPART_PATH);
  path.erase(path.rfind('/') + 1);
  path += PercentEncode(fileName, [](unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' || byte == '~';
  });
  curl_url_set(url.get(), CURLUPART_PATH, path.c_str(), 0);
  curl_url_set(url.get(), CURLUPART_QUERY, nullptr, 0);
  curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
  return Describe(url.get(), address.url);
}

}  // namespace kivora::net
