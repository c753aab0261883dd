#pragma once

#include <string>
#include <vector>

#include "app/cli/Command.h"
#include "app/cli/HostOptions.h"
#include "app/cli/OutputOptions.h"
#include "app/cli/TerminalUi.h"
#include "net/SendOperation.h"

namespace kivora::cli {

// kivora-cli send DEFINITION --to URL [--to URL ...] [--hosts FILE] [--spread]: sends a
// set to WebDAV, FTP, SFTP and S3 hosts, every copy proved on its host before it takes its name,
// then writes the file list (plain and distributed), a Metalink file and SHA256SUMS with
// the address of every file on every host. Exit 0 only when every planned copy proves.
class SendCommand : public Command {
 public:
  CLI::App* Register(CLI::App& app) override;
  int Run(Context& context) override;

 private:
  std::vector<net::SendHost> Hosts() const;
  static void ShowPlan(TerminalUi& ui, const std::vector<net::SentFile>& files,
                       const std::vector<net::SendHost>& hosts);
  // Says how each copy ended; the JSON document gets each file's state on each host.
  static void Report(TerminalUi& ui, const net::SendOutcome& outcome);
  void WriteLists(TerminalUi& ui, const net::SendOutcome& outcome) const;

  std::string definition_;
  std::vector<std::string> to_;
  std::string hostsFile_;
  std::string copies_ = "all";
  bool spread_ = false;
  std::string maxSize_;
  std::string listDir_;
  int jobs_ = 4;
  HostOptions access_;
  OutputOptions output_;
};

}  // namespace kivora::cli
