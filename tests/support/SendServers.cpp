#include "tests/support/SendServers.h"

#include <unistd.h>

#include <fstream>

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

}  // namespace

ServerDirectives DavServer::Servers(const std::vector<DavRoot>& roots) {
  ServerDirectives directives;
  for (const DavRoot& root : roots)
    directives.servers.push_back("root " + root.folder.string() +
                                 "; dav_methods PUT DELETE MKCOL MOVE; client_max_body_size " +
                                 root.maxBody + ";");
  return directives;
}

DavServer::DavServer(const std::filesystem::path& work, const std::vector<DavRoot>& roots)
    : nginx_(work, Servers(roots)) {}

FtpServer::FtpServer(const std::filesystem::path& root, const std::filesystem::path& log,
                     const std::vector<std::string>& options)
    : log_(log), port_(FreePort()) {
  const std::filesystem::path python("/usr/bin/python3");
  std::vector<std::string> argv{python.string(),
                                std::string(KIVORA_SOURCE_DIR) + "/tests/support/ftp_server.py",
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
      std::vector<std::string>{
          "/usr/bin/python3", std::string(KIVORA_SOURCE_DIR) + "/tests/support/cut_proxy.py",
          std::to_string(port_), std::to_string(targetPort), std::to_string(bytes)},
      false);
  if (!process_->WaitForError("ready", std::chrono::seconds(20))) {
    why_ = "the proxy did not start: " + process_->Error();
    process_.reset();
  }
}

}  // namespace kivora::test
