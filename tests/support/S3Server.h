#pragma once
// moto_server on 127.0.0.1 for the S3 tests, with request signatures checked: an IAM user
// allowed everything is made while the server still takes unsigned requests, and its
// access key signs every later one. Objects are put with curl's own SigV4 signing. Why()
// says why it is not running.

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"

namespace kivora::test {

class S3Server {
 public:
  explicit S3Server(const std::filesystem::path& work);
  bool Running() const { return process_ != nullptr; }
  const std::string& Why() const { return why_; }
  // "http://127.0.0.1:PORT"
  std::string Endpoint() const { return "http://127.0.0.1:" + std::to_string(port_); }
  const std::string& KeyId() const { return keyId_; }
  const std::string& Secret() const { return secret_; }

  bool CreateBucket(const std::string& bucket) const;
  // Puts the file as object `key`; with `checksum`, the host keeps its CRC-32 too.
  bool Put(const std::string& bucket, const std::string& key, const std::filesystem::path& file,
           bool checksum) const;

 private:
  // Runs curl with `arguments`, its answer into `answerFile`; true on success.
  bool Curl(std::vector<std::string> arguments, const std::filesystem::path& answerFile) const;

  std::filesystem::path work_;
  std::filesystem::path curl_;
  int port_ = 0;
  std::string keyId_, secret_;
  std::string why_;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace kivora::test
