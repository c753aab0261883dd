#pragma once
// Real servers for the send tests: nginx as WebDAV (PUT, DELETE, MKCOL, MOVE) on
// 127.0.0.1, a root each on a port of its own, some with a small largest request body;
// pyftpdlib's FTP server (tests/support/ftp_server.py); and a proxy that cuts a connection.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/FetchServers.h"

namespace kivora::test {

struct DavRoot {
  std::filesystem::path folder;
  std::string maxBody = "0";  // nginx's client_max_body_size; "0": no limit
};

class DavServer {
 public:
  DavServer(const std::filesystem::path& work, const std::vector<DavRoot>& roots);
  bool Running() const { return nginx_.Running(); }
  const std::string& Why() const { return nginx_.Why(); }
  std::string Url(size_t root) const { return nginx_.Url(root); }
  int Port(size_t root) const { return nginx_.Port(root); }
  // The requests root `root` logged, as "METHOD /path STATUS RANGE".
  std::vector<std::string> Requests(size_t root) const { return nginx_.Log(root); }

 private:
  static ServerDirectives Servers(const std::vector<DavRoot>& roots);
  NginxServer nginx_;
};

class FtpServer {
 public:
  // `options`: "--xcrc", "--rate N" (see ftp_server.py).
  FtpServer(const std::filesystem::path& root, const std::filesystem::path& log,
            const std::vector<std::string>& options = {});
  bool Running() const { return process_ != nullptr; }
  const std::string& Why() const { return why_; }
  std::string Url() const { return "ftp://127.0.0.1:" + std::to_string(port_) + "/"; }
  // The commands the server got that start with `verb` ("STOR", "APPE").
  std::vector<std::string> Commands(const std::string& verb) const;

 private:
  std::filesystem::path log_;
  int port_ = 0;
  std::string why_;
  std::unique_ptr<ChildProcess> process_;
};

// A TCP proxy to a port on 127.0.0.1 that cuts the connection once `bytes` bytes went
// through it towards that port, and then takes no connection more
// (tests/support/cut_proxy.py).
class CutProxy {
 public:
  CutProxy(int targetPort, std::int64_t bytes);
  const std::string& Why() const { return why_; }
  int Port() const { return port_; }

 private:
  int port_ = 0;
  std::string why_;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace kivora::test
