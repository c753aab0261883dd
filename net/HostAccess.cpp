#include "net/HostAccess.h"

#include <curl/curl.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <string_view>
#include <vector>

#include "core/KivoraError.h"
#include "net/HostMessages.h"

namespace kivora::net {
namespace {

// The SHA-256 of an empty body, which a GET and a HEAD send.
constexpr const char* kEmptyBodySha256 =
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

std::optional<std::string> Environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

std::string HomeFolder() {
  if (auto home = Environment("HOME")) return *home;
  const passwd* entry = getpwuid(getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

std::string LocalUser() {
  const passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_name != nullptr) return entry->pw_name;
  return Environment("USER").value_or("");
}

bool IsBase64(std::string_view text) {
  for (const char c : text) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '+' || c == '/';
    if (!ok) return false;
  }
  return !text.empty();
}

// libcurl wants the fingerprint as ssh-keygen prints it, without "SHA256:" and padding.
std::string HostKeyFingerprint(std::string_view given) {
  std::string_view text = given;
  if (text.starts_with("SHA256:")) text.remove_prefix(7);
  while (text.ends_with('=')) text.remove_suffix(1);
  // 32 bytes are 43 characters of base64.
  if (text.size() != 43 || !IsBase64(text)) {
    throw KivoraError(texts::kBadFingerprint(std::string(given)));
  }
  return std::string(text);
}

std::string CheckedEndpoint(std::string endpoint) {
  while (endpoint.ends_with('/')) endpoint.pop_back();
  if (!endpoint.starts_with("http://") && !endpoint.starts_with("https://")) {
    throw KivoraError(texts::kBadEndpoint(endpoint));
  }
  return endpoint;
}

// The user an address names, empty when it names none.
std::string UserOf(const std::string& url) {
  CURLU* parsed = curl_url();
  if (parsed == nullptr) throw std::bad_alloc();
  std::string user;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    char* text = nullptr;
    if (curl_url_get(parsed, CURLUPART_USER, &text, 0) == CURLUE_OK && text != nullptr) {
      user = text;
      curl_free(text);
    }
  }
  curl_url_cleanup(parsed);
  return user;
}

// Whether the address is of the host KIVORA_HOST_PASSWORD_HOST names: HOST on any port, or
// HOST:PORT on that port (the default one when the address gives none).
bool IsPasswordHost(const std::string& url, std::string_view named) {
  CURLU* parsed = curl_url();
  if (parsed == nullptr) throw std::bad_alloc();
  bool same = false;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK && host != nullptr) {
      std::string text = host;
      if (curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK &&
          port != nullptr) {
        same = named == text || named == text + ":" + port;
      }
    }
    curl_free(host);
    curl_free(port);
  }
  curl_url_cleanup(parsed);
  return same;
}

// A setting that, ignored, would let any host key or any protocol through.
void Require(CURLcode result, const Address& address) {
  if (result != CURLE_OK) {
    throw KivoraError(
        texts::kHostOptionRefused(address.host, std::string(curl_easy_strerror(result))));
  }
}

}  // namespace

void HandleSetup::ListFree::operator()(curl_slist* list) const { curl_slist_free_all(list); }

void HandleSetup::AddHeader(const std::string& line) {
  curl_slist* list = curl_slist_append(headers_.get(), line.c_str());
  if (list == nullptr) throw std::bad_alloc();
  headers_.release();
  headers_.reset(list);
}

HostAccess HostAccess::From(const HostAccessOptions& options) {
  HostAccess access;
  if (!options.s3Region.empty()) {
    access.s3Region_ = options.s3Region;
  } else if (auto region = Environment("AWS_REGION")) {
    access.s3Region_ = *region;
  } else if (auto fallback = Environment("AWS_DEFAULT_REGION")) {
    access.s3Region_ = *fallback;
  }
  if (!options.s3Endpoint.empty()) {
    access.s3Endpoint_ = CheckedEndpoint(options.s3Endpoint);
  } else if (auto endpoint = Environment("KIVORA_S3_ENDPOINT")) {
    access.s3Endpoint_ = CheckedEndpoint(*endpoint);
  } else if (auto aws = Environment("AWS_ENDPOINT_URL")) {
    access.s3Endpoint_ = CheckedEndpoint(*aws);
  } else {
    access.s3Endpoint_ = "https://s3." + access.s3Region_ + ".amazonaws.com";
  }
  auto keyId = Environment("AWS_ACCESS_KEY_ID");
  auto secret = Environment("AWS_SECRET_ACCESS_KEY");
  if (keyId && secret) {
    access.s3KeyId_ = std::move(*keyId);
    access.s3Secret_ = SecretText(*secret);
    WipeText(*secret);
    if (auto token = Environment("AWS_SESSION_TOKEN")) {
      access.s3SessionToken_ = SecretText(*token);
      WipeText(*token);
    }
  }

  const std::filesystem::path ssh = std::filesystem::path(HomeFolder()) / ".ssh";
  access.knownHosts_ =
      options.knownHosts.empty() ? (ssh / "known_hosts").string() : options.knownHosts;
  if (!options.sshHostKey.empty()) access.sshHostKey_ = HostKeyFingerprint(options.sshHostKey);
  if (!options.sshKey.empty()) {
    access.sshKey_ = options.sshKey;
  } else {
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
      std::error_code ignored;
      if (std::filesystem::is_regular_file(ssh / name, ignored)) {
        access.sshKey_ = (ssh / name).string();
        break;
      }
    }
  }
  std::error_code ignored;
  if (!access.sshKey_.empty() && std::filesystem::is_regular_file(access.sshKey_ + ".pub", ignored))
    access.sshPublicKey_ = access.sshKey_ + ".pub";
  access.localUser_ = LocalUser();
  // The password goes to the one host it is for, never to every host a list names.
  if (auto password = Environment("KIVORA_HOST_PASSWORD")) {
    if (auto host = Environment("KIVORA_HOST_PASSWORD_HOST")) {
      access.hostPassword_ = SecretText(*password);
      access.passwordHost_ = std::move(*host);
    }
    WipeText(*password);
  }
  return access;
}

std::string HostAccess::S3RequestUrl(const Address& address) const {
  // s3://BUCKET/KEY, as curl normalised it: the bucket is its host, the key its path.
  const std::string_view rest = std::string_view(address.url).substr(5);
  return s3Endpoint_ + "/" + std::string(rest);
}

HandleSetup HostAccess::Configure(CURL* easy, const Address& address, HostRequest request) const {
  HandleSetup setup;
  curl_easy_setopt(easy, CURLOPT_NOBODY, request == HostRequest::Head ? 1L : 0L);
  curl_easy_setopt(easy, CURLOPT_UPLOAD, request == HostRequest::Put ? 1L : 0L);
  const char* protocols = "http,https";
  switch (address.scheme) {
    case Scheme::Http:
    case Scheme::Https:
      break;
    case Scheme::Ftp:
      protocols = "ftp";
      break;
    case Scheme::Ftps:
      protocols = "ftps";
      break;
    case Scheme::Sftp:
      protocols = "sftp";
      break;
    case Scheme::S3:
      break;
  }
  Require(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, protocols), address);
  if (address.scheme == Scheme::S3) {
    const std::string url = S3RequestUrl(address);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    ConfigureS3(easy, request, setup);
  } else {
    curl_easy_setopt(easy, CURLOPT_URL, address.url.c_str());
    // A password of the host's account from ~/.netrc, never from the address.
    curl_easy_setopt(easy, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    if (address.scheme == Scheme::Sftp) ConfigureSftp(easy, address);
  }
  if (setup.headers_) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, setup.headers_.get());
  return setup;
}

void HostAccess::ConfigureSftp(CURL* easy, const Address& address) const {
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  // A password, from ~/.netrc or the environment, is tried only when there is one.
  curl_easy_setopt(
      easy, CURLOPT_SSH_AUTH_TYPES,
      static_cast<long>(CURLSSH_AUTH_PUBLICKEY | CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
  if (hostPassword_ && IsPasswordHost(address.url, passwordHost_)) {
    std::string password(hostPassword_->View());
    curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
    WipeText(password);
  }
  if (UserOf(address.url).empty() && !localUser_.empty())
    curl_easy_setopt(easy, CURLOPT_USERNAME, localUser_.c_str());
  if (!sshKey_.empty()) curl_easy_setopt(easy, CURLOPT_SSH_PRIVATE_KEYFILE, sshKey_.c_str());
  if (!sshPublicKey_.empty())
    curl_easy_setopt(easy, CURLOPT_SSH_PUBLIC_KEYFILE, sshPublicKey_.c_str());
  // Without a callback libcurl takes only a key that matches: an unknown or changed one
  // ends the transfer.
  if (!sshHostKey_.empty()) {
    if (curl_easy_setopt(easy, CURLOPT_SSH_HOST_PUBLIC_KEY_SHA256, sshHostKey_.c_str()) != CURLE_OK)
      throw KivoraError(texts::kHostKeyRefused(address.host));
  } else {
    // Never unset, which would take any key: a handle set up without From checks too.
    const std::string file =
        knownHosts_.empty() ? (std::filesystem::path(HomeFolder()) / ".ssh/known_hosts").string()
                            : knownHosts_;
    if (curl_easy_setopt(easy, CURLOPT_SSH_KNOWNHOSTS, file.c_str()) != CURLE_OK)
      throw KivoraError(texts::kHostKeyRefused(address.host));
  }
}

void HostAccess::ConfigureS3(CURL* easy, HostRequest request, HandleSetup& setup) const {
  // A signed request goes to the endpoint only: a redirect elsewhere is not followed.
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  // libcurl signs the body's hash as this header gives it; it does not add the header.
  setup.AddHeader(std::string("x-amz-content-sha256: ") +
                  (request == HostRequest::Put ? "UNSIGNED-PAYLOAD" : kEmptyBodySha256));
  if (request == HostRequest::Head) setup.AddHeader("x-amz-checksum-mode: ENABLED");
  if (!s3KeyId_ || !s3Secret_) return;  // a public bucket: unsigned
  if (s3SessionToken_) {
    std::string line = "x-amz-security-token: ";
    line += s3SessionToken_->View();
    setup.AddHeader(line);
    WipeText(line);
  }
  const std::string sign = "aws:amz:" + s3Region_ + ":s3";
  curl_easy_setopt(easy, CURLOPT_AWS_SIGV4, sign.c_str());
  curl_easy_setopt(easy, CURLOPT_USERNAME, s3KeyId_->c_str());
  std::string secret(s3Secret_->View());
  curl_easy_setopt(easy, CURLOPT_PASSWORD, secret.c_str());
  WipeText(secret);
}

std::optional<MessageText> HostRefusal(const Address& address, int curlCode) {
  switch (static_cast<CURLcode>(curlCode)) {
    case CURLE_PEER_FAILED_VERIFICATION:
      if (address.scheme == Scheme::Sftp) return MessageText(texts::kHostKeyRefused(address.host));
      return std::nullopt;
    case CURLE_LOGIN_DENIED:
      return MessageText(texts::kLoginRefused(address.host));
    default:
      return std::nullopt;
  }
}

}  // namespace kivora::net
