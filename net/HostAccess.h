#pragma once
// How each kind of host is reached and signed in to, for fetching from it and sending to
// it: the curl options of an easy handle for one address.
//
// - http, https, ftp, ftps: the address as it is; a password from ~/.netrc.
// - sftp: libcurl's SSH backend. The host key must match ~/.ssh/known_hosts (or the file
//   given) or a given SHA-256 fingerprint: an unknown or changed key is refused, never
//   taken on trust. The user key is the one given or the first of ~/.ssh/id_ed25519,
//   id_ecdsa and id_rsa; a password comes from ~/.netrc or, for the one host[:port]
//   KIVORA_HOST_PASSWORD_HOST names, from KIVORA_HOST_PASSWORD.
// - s3://BUCKET/KEY: a path-style request to the endpoint, signed with AWS Signature 4
//   from AWS_ACCESS_KEY_ID and AWS_SECRET_ACCESS_KEY (unsigned when they are not set).
//
// Credentials come from files and the environment only, never from an address or the
// command line, and are never part of a text this program shows.

#include <memory>
#include <optional>
#include <string>

#include "core/payload/SecretText.h"
#include "core/text/MessageText.h"
#include "net/Address.h"

// As curl.h declares them, so that this header does not need it.
typedef void CURL;  // NOLINT(modernize-use-using): the same declaration as curl.h's
struct curl_slist;

namespace kivora::net {

// What the command line may say; empty fields take the environment or the default.
struct HostAccessOptions {
  std::string s3Endpoint;  // else KIVORA_S3_ENDPOINT, AWS_ENDPOINT_URL, then AWS's own
  std::string s3Region;    // else AWS_REGION, AWS_DEFAULT_REGION, then us-east-1
  std::string sshKey;      // private key file
  std::string sshHostKey;  // SHA256:BASE64 as ssh-keygen -l shows it
  std::string knownHosts;  // else ~/.ssh/known_hosts
};

enum class HostRequest {
  Get,
  Head,  // length (and checksum, where the host keeps one) without the body
  Put,
};

// Keeps what an easy handle points to (its header list) for as long as it is used.
class HandleSetup {
 public:
  HandleSetup() = default;
  void AddHeader(const std::string& line);

 private:
  struct ListFree {
    void operator()(curl_slist* list) const;
  };
  std::unique_ptr<curl_slist, ListFree> headers_;
  friend class HostAccess;
};

class HostAccess {
 public:
  HostAccess() = default;
  // Reads the environment and checks the options. Throws KivoraError for an endpoint that
  // is not an http(s) address or a fingerprint that is not SHA256:BASE64.
  static HostAccess From(const HostAccessOptions& options);

  // Sets the handle's address, allowed protocols and sign-in for `address`, replacing
  // what the caller set for them. The setup must outlive the handle's transfer.
  HandleSetup Configure(CURL* easy, const Address& address, HostRequest request) const;

  // The http(s) address an s3:// address is asked at (path-style, on the endpoint).
  std::string S3RequestUrl(const Address& address) const;

 private:
  void ConfigureSftp(CURL* easy, const Address& address) const;
  void ConfigureS3(CURL* easy, HostRequest request, HandleSetup& setup) const;

  std::string s3Endpoint_ = "https://s3.us-east-1.amazonaws.com";
  std::string s3Region_ = "us-east-1";
  std::optional<std::string> s3KeyId_;
  std::optional<SecretText> s3Secret_;
  std::optional<SecretText> s3SessionToken_;
  std::string sshKey_;
  std::string sshPublicKey_;
  std::string sshHostKey_;  // BASE64 of the SHA-256, as libcurl wants it
  std::string knownHosts_;
  std::string localUser_;
  std::optional<SecretText> hostPassword_;
  std::string passwordHost_;  // host[:port] the password is for
};

// What to say when a host refused who we are or was not the host we know (a curl result
// code); empty for every other failure.
std::optional<MessageText> HostRefusal(const Address& address, int curlCode);

}  // namespace kivora::net
