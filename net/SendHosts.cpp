#include "net/SendHosts.h"

#include <curl/curl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>

#include "core/KivoraError.h"
#include "net/SendMessages.h"

namespace kivora::net {
namespace {

struct HostUrlCloser {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, flags) != CURLUE_OK || text == nullptr) return {};
  std::string result(text);
  curl_free(text);
  return result;
}

// The address without its password, for the message that refuses it.
std::string WithoutPassword(std::string_view text) {
  const size_t scheme = text.find("://");
  const size_t at = text.find('@', scheme == std::string_view::npos ? 0 : scheme + 3);
  if (scheme == std::string_view::npos || at == std::string_view::npos) return std::string(text);
  const std::string_view userInfo = text.substr(scheme + 3, at - scheme - 3);
  const size_t colon = userInfo.find(':');
  return std::string(text.substr(0, scheme + 3)) + std::string(userInfo.substr(0, colon)) + ":***" +
         std::string(text.substr(at));
}

SendHost Parse(std::string_view text, bool passwordAllowed, std::optional<SecretText>* password) {
  std::unique_ptr<CURLU, HostUrlCloser> url(curl_url());
  if (!url) throw std::bad_alloc();
  const std::string given(text);
  for (const char c : given) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7f)
      throw KivoraError(texts::kSendSchemeRefused(WithoutPassword(text), "?"));
  }
  if (curl_url_set(url.get(), CURLUPART_URL, given.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
      CURLUE_OK) {
    throw KivoraError(texts::kSendSchemeRefused(WithoutPassword(text), "?"));
  }
  std::string scheme = Part(url.get(), CURLUPART_SCHEME);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  SendHost host;
  if (scheme == "http" || scheme == "https") {
    host.kind = HostKind::WebDav;
  } else if (scheme == "ftp" || scheme == "ftps") {
    host.kind = HostKind::Ftp;
  } else if (scheme == "sftp") {
    host.kind = HostKind::Sftp;
  } else if (scheme == "s3") {
    host.kind = HostKind::S3;
  } else {
    throw KivoraError(texts::kSendSchemeRefused(WithoutPassword(text), scheme));
  }
  const std::string secret = Part(url.get(), CURLUPART_PASSWORD, CURLU_URLDECODE);
  if (!secret.empty()) {
    if (!passwordAllowed) throw KivoraError(texts::kSendPasswordInAddress(WithoutPassword(text)));
    *password = SecretText(secret);
  }
  host.user = Part(url.get(), CURLUPART_USER, CURLU_URLDECODE);
  curl_url_set(url.get(), CURLUPART_USER, nullptr, 0);
  curl_url_set(url.get(), CURLUPART_PASSWORD, nullptr, 0);
  curl_url_set(url.get(), CURLUPART_QUERY, nullptr, 0);
  curl_url_set(url.get(), CURLUPART_FRAGMENT, nullptr, 0);
  std::string path = Part(url.get(), CURLUPART_PATH);
  if (path.empty() || path.back() != '/') path += '/';
  curl_url_set(url.get(), CURLUPART_PATH, path.c_str(), 0);
  host.url = Part(url.get(), CURLUPART_URL);
  // curl writes an s3 address with the bucket as its host: "s3://BUCKET/PREFIX/".
  host.hostKey = scheme + "://" + Part(url.get(), CURLUPART_HOST) + ":" +
                 Part(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  return host;
}

}  // namespace

SendHost ParseSendHost(std::string_view text) { return Parse(text, false, nullptr); }

std::optional<std::int64_t> ParseByteSize(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int shift = 0;
  switch (std::toupper(static_cast<unsigned char>(text.back()))) {
    case 'K':
      shift = 10;
      break;
    case 'M':
      shift = 20;
      break;
    case 'G':
      shift = 30;
      break;
    case 'T':
      shift = 40;
      break;
    default:
      break;
  }
  const std::string_view digits = shift ? text.substr(0, text.size() - 1) : text;
  if (digits.empty() || digits.size() > 12 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::int64_t value = std::stoll(std::string(digits));
  if (value <= 0 || value > (std::int64_t{1} << (62 - shift))) return std::nullopt;
  return value << shift;
}

std::vector<SendHost> ReadHostsFile(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    throw KivoraError(texts::kHostsFileUnreadable(path.string()));
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 || info.st_uid != ::getuid())
    throw KivoraError(texts::kHostsFileOpen(path.string()));
  std::ifstream in(path);
  if (!in) throw KivoraError(texts::kHostsFileUnreadable(path.string()));
  std::vector<SendHost> hosts;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.size() > 4096) throw KivoraError(texts::kHostsFileLine(path.string(), number));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string address;
    if (!(words >> address) || address.starts_with('#')) continue;
    std::optional<SecretText> password;
    SendHost host;
    try {
      host = Parse(address, true, &password);
    } catch (const KivoraError&) {
      throw KivoraError(texts::kHostsFileLine(path.string(), number));
    }
    for (std::string word; words >> word;) {
      const size_t equals = word.find('=');
      const std::string key = word.substr(0, equals);
      const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
      if (key == "max-size" && ParseByteSize(value)) {
        host.maxSize = *ParseByteSize(value);
      } else if (key == "user" && !value.empty()) {
        host.user = value;
      } else if (key == "password" && !value.empty()) {
        password = SecretText(value);
      } else {
        throw KivoraError(texts::kHostsFileLine(path.string(), number));
      }
    }
    host.password = std::move(password);
    hosts.push_back(std::move(host));
  }
  return hosts;
}

void TakePasswordFromEnvironment(std::vector<SendHost>& hosts) {
  const char* secret = std::getenv("KIVORA_SEND_PASSWORD");
  if (secret == nullptr || *secret == '\0') return;
  for (SendHost& host : hosts) {
    if (!host.user.empty() && !host.password) host.password = SecretText(secret);
  }
}

}  // namespace kivora::net
