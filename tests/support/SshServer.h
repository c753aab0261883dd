#pragma once
// OpenSSH's sshd on 127.0.0.1 for the sftp tests, with a host key and a user key generated
// for it and a configuration of its own (no PAM, the keys' folder trusted as it is, the
// running user allowed in by the user key alone), serving the whole file system through
// its built-in sftp server. Why() says why it is not running.

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"

namespace kivora::test {

class SshServer {
 public:
  explicit SshServer(const std::filesystem::path& work);
  bool Running() const { return process_ != nullptr; }
  const std::string& Why() const { return why_; }
  int Port() const { return port_; }
  // "sftp://127.0.0.1:PORT/ABSOLUTE/PATH/" of a folder.
  std::string Url(const std::filesystem::path& folder) const;
  // A known_hosts file that holds the server's host key.
  std::filesystem::path KnownHosts() const { return work_ / "known_hosts"; }
  std::filesystem::path UserKey() const { return work_ / "user_key"; }
  // The host key's fingerprint as ssh-keygen -l shows it: "SHA256:BASE64".
  const std::string& HostKeySha256() const { return fingerprint_; }

 private:
  std::filesystem::path work_;
  int port_ = 0;
  std::string fingerprint_;
  std::string why_;
  std::unique_ptr<ChildProcess> process_;
};

// Writes a new ed25519 key pair (KEY and KEY.pub) with ssh-keygen; false when it failed.
bool MakeSshKey(const std::filesystem::path& key);

// A known_hosts file at `path` that gives the key of `publicKeyFile` to 127.0.0.1:port.
void WriteKnownHosts(const std::filesystem::path& path, int port,
                     const std::filesystem::path& publicKeyFile);

// Waits until something accepts on 127.0.0.1:port while `process` runs; false when it
// ended or the time ran out.
bool WaitForPort(int port, ChildProcess& process, std::chrono::seconds timeout);

}  // namespace kivora::test
