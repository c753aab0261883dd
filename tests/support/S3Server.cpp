#include "tests/support/S3Server.h"

#include <sodium.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/io/Crc32.h"
#include "tests/support/FetchServers.h"
#include "tests/support/SshServer.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {
namespace {

constexpr const char* kEmptySha256 =
    "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

// The text between <tag> and </tag>.
std::string Element(const std::string& xml, const std::string& tag) {
  const size_t open = xml.find("<" + tag + ">");
  const size_t close = xml.find("</" + tag + ">");
  if (open == std::string::npos || close == std::string::npos || close < open) return {};
  const size_t from = open + tag.size() + 2;
  return xml.substr(from, close - from);
}

std::string S3Crc(const std::filesystem::path& file) {
  const std::uint32_t crc = StreamCrc32(ReadBytes(file));
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(crc >> 24), static_cast<unsigned char>(crc >> 16),
      static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)};
  char text[sodium_base64_ENCODED_LEN(4, sodium_base64_VARIANT_ORIGINAL)];
  sodium_bin2base64(text, sizeof text, bytes, sizeof bytes, sodium_base64_VARIANT_ORIGINAL);
  return text;
}

}  // namespace

S3Server::S3Server(const std::filesystem::path& work) : work_(work) {
  const auto moto = FindProgram("moto_server");
  const auto curl = FindProgram("curl");
  if (!moto || !curl) {
    why_ = "moto_server or curl is not installed";
    return;
  }
  curl_ = *curl;
  std::filesystem::create_directories(work);
  port_ = FreePort();
  // Three requests go unsigned: the user, its policy and its key.
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"/usr/bin/env", "INITIAL_NO_AUTH_ACTION_COUNT=3", moto->string(),
                               "-H", "127.0.0.1", "-p", std::to_string(port_)},
      false);
  if (!WaitForPort(port_, *process_, std::chrono::seconds(60))) {
    why_ = "moto_server did not start: " + process_->Error();
    process_.reset();
    return;
  }
  const std::vector<std::string> iam{"--aws-sigv4", "aws:amz:us-east-1:iam", "--user",
                                     "setup:setup"};
  const auto call = [&](std::vector<std::string> form) {
    form.insert(form.begin(), iam.begin(), iam.end());
    form.push_back("-d");
    form.push_back("Version=2010-05-08");
    form.push_back(Endpoint() + "/");
    return Curl(form, work / "iam.xml");
  };
  const bool made =
      call({"-d", "Action=CreateUser", "-d", "UserName=tester"}) &&
      call({"-d", "Action=PutUserPolicy", "-d", "UserName=tester", "-d", "PolicyName=all",
            "--data-urlencode",
            R"(PolicyDocument={"Version":"2012-10-17","Statement":[{"Effect":"Allow",)"
            R"("Action":"*","Resource":"*"}]})"}) &&
      call({"-d", "Action=CreateAccessKey", "-d", "UserName=tester"});
  std::ifstream answer(work / "iam.xml");
  const std::string xml(std::istreambuf_iterator<char>(answer), {});
  keyId_ = Element(xml, "AccessKeyId");
  secret_ = Element(xml, "SecretAccessKey");
  if (!made || keyId_.empty() || secret_.empty()) {
    why_ = "moto_server made no access key: " + xml;
    process_.reset();
  }
}

bool S3Server::Curl(std::vector<std::string> arguments,
                    const std::filesystem::path& answerFile) const {
  arguments.insert(arguments.begin(), {curl_.string(), "--fail", "-sS", "-o", answerFile.string()});
  ChildProcess run(arguments, false);
  const int status = run.Wait(std::chrono::seconds(60));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool S3Server::CreateBucket(const std::string& bucket) const {
  return Curl(
      {"--aws-sigv4", "aws:amz:us-east-1:s3", "--user", keyId_ + ":" + secret_, "-X", "PUT", "-H",
       std::string("x-amz-content-sha256: ") + kEmptySha256, Endpoint() + "/" + bucket},
      work_ / "answer.xml");
}

bool S3Server::Put(const std::string& bucket, const std::string& key,
                   const std::filesystem::path& file, bool checksum) const {
  std::vector<std::string> arguments{"--aws-sigv4", "aws:amz:us-east-1:s3",
                                     "--user",      keyId_ + ":" + secret_,
                                     "-H",          "x-amz-content-sha256: UNSIGNED-PAYLOAD"};
  if (checksum) {
    // moto keeps the checksum when the algorithm is named as the SDKs name it.
    arguments.insert(arguments.end(), {"-H", "x-amz-sdk-checksum-algorithm: CRC32", "-H",
                                       "x-amz-checksum-crc32: " + S3Crc(file)});
  }
  arguments.insert(arguments.end(), {"-T", file.string(), Endpoint() + "/" + bucket + "/" + key});
  return Curl(arguments, work_ / "answer.xml");
}

}  // namespace kivora::test
