#pragma once
// Real servers for the fetch tests: nginx on 127.0.0.1 serving folders as mirrors, a
// server that misbehaves on purpose, and a TCP proxy in front of one that cuts or holds
// its connections after some bytes.

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace kivora::test {

// nginx in the foreground, one process, with its configuration, pid file, logs and
// temporary folders under `work`; each root on an ephemeral port of its own with an access
// log of its own. Why() says why it is not running (not installed, did not start).
// What each server of an NginxServer holds beside its port and log, e.g. "root /x;".
struct ServerDirectives {
  std::vector<std::string> servers;
};

class NginxServer {
 public:
  NginxServer(const std::filesystem::path& work, const std::vector<std::filesystem::path>& roots,
              const std::string& extraServer = {});
  // One server each with the directives of `servers`.
  NginxServer(const std::filesystem::path& work, const ServerDirectives& servers);
  bool Running() const { return process_ != nullptr; }
  const std::string& Why() const { return why_; }
  // "http://127.0.0.1:PORT/" of root `root`; the extra server's is Url(roots.size()).
  std::string Url(size_t root) const;
  int Port(size_t root) const { return ports_.at(root); }
  // Requests of root `root` for `name`: their access log lines ("GET /name STATUS RANGE").
  std::vector<std::string> Requests(size_t root, std::string_view name) const;
  // Every request of root `root`, as its access log has them ("METHOD /path STATUS RANGE").
  std::vector<std::string> Log(size_t root) const;

 private:
  static ServerDirectives Servers(const std::vector<std::filesystem::path>& roots,
                                  const std::string& extraServer);

  std::filesystem::path work_;
  std::vector<int> ports_;
  std::string why_;
  std::unique_ptr<ChildProcess> process_;
};

// tests/support/hostile_http.py on a port of its own, serving `root` with `rules`
// ("NAME=BEHAVIOUR", as the script says).
class HostileServer {
 public:
  HostileServer(const std::filesystem::path& root, const std::vector<std::string>& rules);
  bool Running() const { return process_ != nullptr; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

// Relays 127.0.0.1:Port() to `upstream`. The first `cuts` connections are closed after
// `cutAfter` bytes from the server; once `holdAfter` bytes (all connections together)
// went to clients, nothing more goes until the proxy ends.
class CuttingProxy {
 public:
  CuttingProxy(int upstream, int cuts, long cutAfter, long holdAfter = -1);
  ~CuttingProxy();
  int Port() const { return port_; }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  int Connections() const { return connections_; }
  bool Holding() const { return holding_; }

 private:
  void Serve();

  int upstream_, cuts_;
  long cutAfter_, holdAfter_;
  int listener_ = -1, port_ = 0;
  std::atomic<int> connections_ = 0;
  std::atomic<bool> holding_ = false, stop_ = false;
  std::thread thread_;
};

// A free port on 127.0.0.1 at the time of asking.
int FreePort();

}  // namespace kivora::test
