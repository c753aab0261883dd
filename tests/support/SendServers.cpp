#include "tests/support/SendServers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/support/FetchServers.h"
#include "tests/support/TestSupport.h"

namespace kivora::test {
namespace {

std::vector<std::string> LinesStarting(const std::filesystem::path& log, const std::string& start) {
  std::ifstream in(log);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (line.starts_with(start)) lines.push_back(line);
  return lines;
}

bool Accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

}  // namespace

DavServer::DavServer(const std::filesystem::path& work, const std::vector<DavRoot>& roots)
    : work_(work) {
  const auto nginx = FindProgram("nginx").value_or(std::filesystem::path("/usr/sbin/nginx"));
  if (!std::filesystem::exists(nginx)) {
    why_ = "nginx is not installed";
    return;
  }
  const std::string w = work.string();
  std::ostringstream conf;
  conf << (::geteuid() == 0 ? "user root;\n" : "") << "master_process off;\npid " << w
       << "/nginx.pid;\nerror_log " << w << "/error.log;\nevents { worker_connections 256; }\n"
       << "http {\n  log_format requests '$request_method $uri $status';\n";
  for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
    conf << "  " << temp << "_temp_path " << w << "/" << temp << ";\n";
  for (size_t i = 0; i < roots.size(); ++i) {
    ports_.push_back(FreePort());
    conf << "  server { listen 127.0.0.1:" << ports_[i] << "; access_log " << w << "/access" << i
         << ".log requests; root " << roots[i].folder.string()
         << "; dav_methods PUT DELETE MKCOL MOVE; client_max_body_size " << roots[i].maxBody
         << "; }\n";
  }
  conf << "}\n";
  std::ofstream(work / "nginx.conf") << conf.str();
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{nginx.string(), "-p", w, "-e", w + "/error.log", "-c",
                               w + "/nginx.conf", "-g", "daemon off;"},
      false);
  for (int tries = 0; tries < 200; ++tries) {
    if (Accepts(ports_.front())) return;
    if (process_->Ended(std::chrono::milliseconds(50))) break;
  }
  {
    process_.reset();
    std::ifstream log(work / "error.log");
    why_ = "nginx did not start: " + std::string(std::istreambuf_iterator<char>(log), {});
  }
}

std::string DavServer::Url(size_t root) const {
  return "http://127.0.0.1:" + std::to_string(ports_.at(root)) + "/";
}

std::vector<std::string> DavServer::Requests(size_t root) const {
  return LinesStarting(work_ / ("access" + std::to_string(root) + ".log"), "");
}

FtpServer::FtpServer(const std::filesystem::path& root, const std::filesystem::path& log,
                     const std::vector<std::string>& options)
    : log_(log), port_(FreePort()) {
  const std::filesystem::path python("/usr/bin/python3");
  std::vector<std::string> argv{python.string(), KIVORA_SOURCE_DIR "/tests/support/ftp_server.py",
                                std::to_string(port_), root.string(), log.string()};
  argv.insert(argv.end(), options.begin(), options.end());
  process_ = std::make_unique<ChildProcess>(argv, false);
  if (!process_->WaitForError("ready", std::chrono::seconds(20))) {
    why_ = "pyftpdlib did not start: " + process_->Error();
    process_.reset();
  }
}

std::vector<std::string> FtpServer::Commands(const std::string& verb) const {
  return LinesStarting(log_, verb);
}

CutProxy::CutProxy(int targetPort, std::int64_t bytes) : port_(FreePort()) {
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"/usr/bin/python3", KIVORA_SOURCE_DIR "/tests/support/cut_proxy.py",
                               std::to_string(port_), std::to_string(targetPort),
                               std::to_string(bytes)},
      false);
  if (!process_->WaitForError("ready", std::chrono::seconds(20))) {
    why_ = "the proxy did not start: " + process_->Error();
    process_.reset();
  }
}

}  // namespace kivora::test
