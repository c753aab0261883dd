#include "tests/support/SshServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sodium.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "tests/support/FetchServers.h"

namespace kivora::test {
namespace {

// The base64 blob (second field) of a public key file.
std::string KeyBlob(const std::filesystem::path& publicKeyFile) {
  std::ifstream in(publicKeyFile);
  std::string type, blob;
  in >> type >> blob;
  return type + " " + blob;
}

std::string Fingerprint(const std::filesystem::path& publicKeyFile) {
  std::istringstream fields(KeyBlob(publicKeyFile));
  std::string type, blob;
  fields >> type >> blob;
  std::vector<unsigned char> key(blob.size());
  size_t length = 0;
  if (sodium_base642bin(key.data(), key.size(), blob.data(), blob.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0) {
    return {};
  }
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(hash, key.data(), length);
  char text[sodium_base64_ENCODED_LEN(sizeof hash, sodium_base64_VARIANT_ORIGINAL_NO_PADDING)];
  sodium_bin2base64(text, sizeof text, hash, sizeof hash,
                    sodium_base64_VARIANT_ORIGINAL_NO_PADDING);
  return std::string("SHA256:") + text;
}

}  // namespace

bool MakeSshKey(const std::filesystem::path& key) {
  ChildProcess keygen({"/usr/bin/ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key.string()},
                      false);
  const int status = keygen.Wait(std::chrono::seconds(30));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void WriteKnownHosts(const std::filesystem::path& path, int port,
                     const std::filesystem::path& publicKeyFile) {
  std::ofstream(path) << "[127.0.0.1]:" << port << " " << KeyBlob(publicKeyFile) << "\n";
}

bool WaitForPort(int port, ChildProcess& process, std::chrono::seconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    if (up) return true;
    if (process.Ended(std::chrono::milliseconds(50))) return false;
  }
  return false;
}

SshServer::SshServer(const std::filesystem::path& work) : work_(work) {
  const std::filesystem::path sshd = "/usr/sbin/sshd";
  if (!std::filesystem::exists(sshd) || !std::filesystem::exists("/usr/bin/ssh-keygen")) {
    why_ = "openssh-server is not installed";
    return;
  }
  std::filesystem::create_directories(work);
  if (!MakeSshKey(work / "host_key") || !MakeSshKey(UserKey())) {
    why_ = "ssh-keygen failed";
    return;
  }
  // sshd run by root wants its privilege separation folder.
  std::error_code ignored;
  if (::geteuid() == 0) std::filesystem::create_directories("/run/sshd", ignored);
  std::filesystem::copy_file(work / "user_key.pub", work / "authorized_keys");
  port_ = FreePort();
  fingerprint_ = Fingerprint(work / "host_key.pub");
  WriteKnownHosts(KnownHosts(), port_, work / "host_key.pub");
  const std::string w = work.string();
  std::ofstream(work / "sshd_config") << "HostKey " << w << "/host_key\n"
                                      << "ListenAddress 127.0.0.1\n"
                                      << "UsePAM no\nStrictModes no\n"
                                      << "PermitRootLogin prohibit-password\n"
                                      << "PasswordAuthentication no\n"
                                      << "KbdInteractiveAuthentication no\n"
                                      << "AuthorizedKeysFile " << w << "/authorized_keys\n"
                                      << "PidFile " << w << "/sshd.pid\n"
                                      << "Subsystem sftp internal-sftp\n";
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{sshd.string(), "-D", "-e", "-f", w + "/sshd_config", "-p",
                               std::to_string(port_)},
      false);
  if (WaitForPort(port_, *process_, std::chrono::seconds(20))) return;
  why_ = "sshd did not start: " + process_->Error();
  process_.reset();
}

std::string SshServer::Url(const std::filesystem::path& folder) const {
  return "sftp://127.0.0.1:" + std::to_string(port_) + folder.string() + "/";
}

}  // namespace kivora::test
