#include "tests/support/FetchServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "tests/support/TestSupport.h"

namespace kivora::test {
namespace {

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int Connect(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Loopback(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  ::close(fd);
  return -1;
}

int Listen(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    port = 0;  // no port: the server that wanted it fails to start, and says so
    return fd;
  }
  ::listen(fd, 16);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

int FreePort() {
  int port = 0;
  ::close(Listen(port));
  return port;
}

ServerDirectives NginxServer::Servers(const std::vector<std::filesystem::path>& roots,
                                      const std::string& extraServer) {
  ServerDirectives directives;
  for (const auto& root : roots) directives.servers.push_back("root " + root.string() + ";");
  if (!extraServer.empty()) directives.servers.push_back(extraServer);
  return directives;
}

NginxServer::NginxServer(const std::filesystem::path& work,
                         const std::vector<std::filesystem::path>& roots,
                         const std::string& extraServer)
    : NginxServer(work, Servers(roots, extraServer)) {
  // The extra server's port is taken even without it, so that Url(roots.size()) is one.
  if (extraServer.empty() && !ports_.empty()) ports_.push_back(FreePort());
}

NginxServer::NginxServer(const std::filesystem::path& work, const ServerDirectives& directives)
    : work_(work) {
  const std::vector<std::string>& servers = directives.servers;
  const auto nginx = FindProgram("nginx").value_or(std::filesystem::path("/usr/sbin/nginx"));
  if (!std::filesystem::exists(nginx)) {
    why_ = "nginx is not installed";
    return;
  }
  const std::string w = work.string();
  std::ostringstream conf;
  conf << (::geteuid() == 0 ? "user root;\n" : "") << "master_process off;\npid " << w
       << "/nginx.pid;\nerror_log " << w << "/error.log;\nevents { worker_connections 256; }\n"
       << "http {\n  log_format requests '$request_method $uri $status $http_range';\n";
  for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
    conf << "  " << temp << "_temp_path " << w << "/" << temp << ";\n";
  for (size_t i = 0; i < servers.size(); ++i) {
    ports_.push_back(FreePort());
    conf << "  server { listen 127.0.0.1:" << ports_[i] << "; access_log " << w << "/access" << i
         << ".log requests; " << servers[i] << " }\n";
  }
  conf << "}\n";
  std::ofstream(work / "nginx.conf") << conf.str();
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{nginx.string(), "-p", w, "-e", w + "/error.log", "-c",
                               w + "/nginx.conf", "-g", "daemon off;"},
      false);
  for (int tries = 0; tries < 200; ++tries) {
    if (const int fd = Connect(ports_.front()); fd >= 0) {
      ::close(fd);
      return;
    }
    if (process_->Ended(std::chrono::milliseconds(50))) break;
  }
  process_.reset();
  std::ifstream log(work / "error.log");
  why_ = "nginx did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
}

std::string NginxServer::Url(size_t root) const {
  return "http://127.0.0.1:" + std::to_string(ports_.at(root)) + "/";
}

std::vector<std::string> NginxServer::Log(size_t root) const {
  std::ifstream log(work_ / ("access" + std::to_string(root) + ".log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> NginxServer::Requests(size_t root, std::string_view name) const {
  std::vector<std::string> lines = Log(root);
  const std::string wanted = "GET /" + std::string(name) + " ";
  std::erase_if(lines, [&](const std::string& line) { return !line.starts_with(wanted); });
  return lines;
}

HostileServer::HostileServer(const std::filesystem::path& root,
                             const std::vector<std::string>& rules)
    : port_(FreePort()) {
  std::vector<std::string> argv{"/usr/bin/python3",
                                KIVORA_SOURCE_DIR "/tests/support/hostile_http.py",
                                std::to_string(port_), root.string()};
  argv.insert(argv.end(), rules.begin(), rules.end());
  process_ = std::make_unique<ChildProcess>(argv, false);
  for (int tries = 0; tries < 200; ++tries) {
    if (const int fd = Connect(port_); fd >= 0) {
      ::close(fd);
      return;
    }
    if (process_->Ended(std::chrono::milliseconds(50))) break;
  }
  process_.reset();
}

CuttingProxy::CuttingProxy(int upstream, int cuts, long cutAfter, long holdAfter)
    : upstream_(upstream), cuts_(cuts), cutAfter_(cutAfter), holdAfter_(holdAfter) {
  listener_ = Listen(port_);
  thread_ = std::thread([this] { Serve(); });
}

CuttingProxy::~CuttingProxy() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void CuttingProxy::Serve() {
  struct Link {
    int client, server;
    long sent = 0;
    bool cut;
  };
  std::vector<Link> links;
  long total = 0;
  char buffer[16384];
  while (!stop_) {
    std::vector<pollfd> fds{{listener_, POLLIN, 0}};
    for (const Link& l : links) {
      fds.push_back({l.client, POLLIN, 0});
      fds.push_back({l.server, static_cast<short>(holding_ ? 0 : POLLIN), 0});
    }
    if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      links.push_back({client, Connect(upstream_), 0, connections_++ < cuts_});
    }
    for (size_t i = 0; i < links.size() && 1 + 2 * i + 1 < fds.size(); ++i) {
      Link& l = links[i];
      bool closed = false;
      if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP)) {
        const ssize_t n = ::read(l.client, buffer, sizeof buffer);
        closed = n <= 0 || ::write(l.server, buffer, static_cast<size_t>(n)) != n;
      }
      if (!closed && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP))) {
        long n = ::read(l.server, buffer, sizeof buffer);
        if (l.cut) n = std::min(n, cutAfter_ - l.sent);
        if (holdAfter_ >= 0) n = std::min(n, holdAfter_ - total);
        closed = n < 0 || (n == 0 && !holding_) ||
                 (n > 0 && ::write(l.client, buffer, static_cast<size_t>(n)) != n);
        l.sent += std::max(n, 0L);
        total += std::max(n, 0L);
        closed = closed || (l.cut && l.sent >= cutAfter_);
        holding_ = holding_ || (holdAfter_ >= 0 && total >= holdAfter_);
      }
      if (closed) {
        ::close(l.client);
        ::close(l.server);
        links.erase(links.begin() + static_cast<long>(i));
        break;  // the descriptors polled no longer line up
      }
    }
  }
  for (const Link& l : links) {
    ::close(l.client);
    ::close(l.server);
  }
}

}  // namespace kivora::test
