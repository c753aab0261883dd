#include "app/cli/SendCommand.h"

#include <CLI/CLI.hpp>

#include "app/cli/FetchProgressLine.h"
#include "core/KivoraError.h"
#include "core/operations/EngineCall.h"
#include "filelist/DistributedList.h"
#include "filelist/ListFile.h"
#include "net/Metalink.h"
#include "net/SendMessages.h"
#include "pendant/PendantLibrary.h"

namespace kivora::cli {
namespace {

std::string_view CopyWord(net::SendState state) {
  switch (state) {
    case net::SendState::Planned:
      return "planned";
    case net::SendState::Running:
      return "running";
    case net::SendState::Present:
      return "present";
    case net::SendState::Sent:
      return "sent";
    case net::SendState::Refused:
      return "refused";
    case net::SendState::Failed:
      return "failed";
  }
  return "failed";
}

bool Proved(net::SendState state) {
  return state == net::SendState::Present || state == net::SendState::Sent;
}

// What of the send's events the terminal shows: its progress on the progress line, and
// the errors and warnings of its plan and its work. The files' states, the closing and
// the summary are the command's own lines (Report, the callbacks).
class SendTerminalEvents final : public OperationEvents {
 public:
  explicit SendTerminalEvents(FetchProgressLine& line) : line_(line) {}

  void Report(const OperationEvent& event) override {
    if (const auto* progress = std::get_if<Progress>(&event)) {
      line_.Show(*progress);
    } else if (std::holds_alternative<WorkEnded>(event)) {
      ended_ = true;
    } else if (const auto* message = std::get_if<Message>(&event)) {
      if (!ended_ && (message->kind == MessageKind::Error || message->kind == MessageKind::Warning))
        line_.Report(event);
    }
  }
  Reply Ask(const Question& question) override { return line_.Ask(question); }
  bool AbortRequested() override { return line_.AbortRequested(); }

 private:
  FetchProgressLine& line_;
  bool ended_ = false;
};

}  // namespace

CLI::App* SendCommand::Register(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "send",
      "Send a set to WebDAV, FTP, SFTP and S3 hosts, each file proved on its host, and write its "
      "lists");
  cmd->add_option("DEFINITION", definition_,
                  "The set's definition file, or the last part when it carries the definition")
      ->required();
  cmd->add_option(
      "--to", to_,
      "A folder address to send to (http, https: WebDAV; ftp, ftps; sftp; s3://BUCKET/PREFIX/); "
      "repeatable. "
      "No password here: use ~/.netrc, KIVORA_SEND_PASSWORD or --hosts");
  cmd->add_option("--hosts", hostsFile_,
                  "A file of hosts, one a line: ADDRESS [max-size=SIZE] [user=NAME] "
                  "[password=SECRET]; only its owner may read it");
  CLI::Option* copies =
      cmd->add_option("--copies", copies_, "all: every file on every host (the default)")
          ->check(CLI::IsMember({"all"}));
  cmd->add_flag("--spread", spread_,
                "Spread the files over the hosts so that any one host may vanish (needs enough "
                "recovery parts)")
      ->excludes(copies);
  cmd->add_option("--max-size", maxSize_,
                  "The largest file a host takes (such as 100M), for hosts without their own");
  cmd->add_option("--list-dir", listDir_,
                  "Folder for the lists, the Metalink file and SHA256SUMS (default: the "
                  "definition's)");
  cmd->add_option("--jobs", jobs_, "Transfers at once (default 4)")->check(CLI::Range(1, 32));
  access_.Register(*cmd);
  output_.Register(*cmd);
  return cmd;
}

std::vector<net::SendHost> SendCommand::Hosts() const {
  std::vector<net::SendHost> hosts;
  if (!hostsFile_.empty()) hosts = net::ReadHostsFile(hostsFile_);
  for (const std::string& url : to_) hosts.push_back(net::ParseSendHost(url));
  if (!maxSize_.empty()) {
    const auto max = net::ParseByteSize(maxSize_);
    if (!max) throw KivoraError(MessageText::Plain("--max-size " + maxSize_ + "?"));
    for (net::SendHost& host : hosts)
      if (host.maxSize == 0) host.maxSize = *max;
  }
  net::TakePasswordFromEnvironment(hosts);
  return hosts;
}

void SendCommand::ShowPlan(TerminalUi& ui, const std::vector<net::SentFile>& files,
                           const std::vector<net::SendHost>& hosts) {
  for (const net::SentFile& file : files) {
    std::string where;
    for (const net::FileCopy& copy : file.copies)
      where += (where.empty() ? "" : ", ") + hosts[copy.host].url;
    ui.Note(net::texts::kPlacementLine(file.planned.name, where));
  }
}

void SendCommand::Report(TerminalUi& ui, const net::SendOutcome& outcome) {
  Json copies = Json::array();
  for (const net::SentFile& file : outcome.files) {
    for (const net::FileCopy& copy : file.copies) {
      Json entry{{"name", file.planned.name},         {"host", outcome.hosts[copy.host].url},
                 {"state", CopyWord(copy.state)},     {"size", file.planned.size},
                 {"lengthProved", copy.lengthProved}, {"crcProved", copy.crcProved}};
      if (!copy.why.empty()) entry["reason"] = copy.why.In(Language::English);
      copies.push_back(std::move(entry));
    }
  }
  Json hosts = Json::array();
  for (const net::SendHost& host : outcome.hosts) hosts.push_back(host.url);
  ui.SetJson("send", Json{{"hosts", hosts}, {"copies", copies}, {"bytesSent", outcome.bytes}});
  const int copiesTotal = outcome.Copies();
  const int sent = outcome.Count(net::SendState::Sent);
  const int present = outcome.Count(net::SendState::Present);
  ui.Note(net::texts::kSendSummary(copiesTotal, sent, present));
  const int missing = copiesTotal - sent - present;
  if (missing > 0 && !outcome.stopped) ui.ShowError(net::texts::kSendIncomplete(missing));
}

void SendCommand::WriteLists(TerminalUi& ui, const net::SendOutcome& outcome) const {
  const std::filesystem::path definition(definition_);
  const std::filesystem::path folder =
      listDir_.empty() ? definition.parent_path() : std::filesystem::path(listDir_);
  const std::string stem = definition.stem().string();
  std::vector<filelist::FileListRow> rows;
  for (const net::SentRow& row : net::SentRows(outcome))
    rows.push_back({row.address, row.name, ""});
  std::vector<net::ListedFile> listed;
  for (const net::SentFile& file : outcome.files) {
    net::ListedFile entry{file.planned.name, file.planned.size, file.Sha256Hex(), {}};
    // Download managers speak no S3: its copies are in the file list only.
    for (const net::FileCopy& copy : file.copies)
      if (Proved(copy.state) && outcome.hosts[copy.host].kind != net::HostKind::S3)
        entry.urls.push_back(outcome.hosts[copy.host].url + net::EncodeName(file.planned.name));
    listed.push_back(std::move(entry));
  }
  std::vector<net::ListedFile> mirrored;
  for (const net::ListedFile& entry : listed)
    if (!entry.urls.empty()) mirrored.push_back(entry);
  const std::filesystem::path plain = folder / (stem + "_list.txt");
  const std::filesystem::path distributed = folder / (stem + "_list_distributed.txt");
  const std::filesystem::path metalink = folder / (stem + ".meta4");
  const std::filesystem::path sums = folder / "SHA256SUMS";
  filelist::SavePlainList(rows, plain);
  filelist::SaveDistributedList(rows, distributed, true);
  net::WriteMetalink(mirrored, metalink);
  net::WriteSha256Sums(listed, sums);
  Json lists = Json::array();
  for (const auto& path : {plain, distributed, metalink, sums}) {
    ui.Note(net::texts::kListWritten(path.string()));
    lists.push_back(path.string());
  }
  ui.SetJson("lists", std::move(lists));
}

int SendCommand::Run(Context& context) {
  TerminalUi ui(context, output_);
  return ui.Close(
      CallEngine(ui, OperationFailure{net::texts::kSendFailed}, int{kFailed}, [&]() -> int {
        net::SendRequest request;
        request.definition = definition_;
        request.hosts = Hosts();
        request.access = access_.Resolve();
        request.placement = spread_ ? net::Placement::Spread : net::Placement::AllCopies;
        request.limits.total = jobs_;
        request.limits.perHost = jobs_;
        const bool text = output_.Mode() == OutputMode::Text;
        FetchProgressLine line(ui, context.err, context.stderrIsTerminal && text);
        if (text)
          request.onPlan = [&](const std::vector<net::SentFile>& files,
                               const std::vector<net::SendHost>& hosts) {
            ShowPlan(ui, files, hosts);
          };
        if (text)
          request.onCopy = [&](const net::SentFile& file, const net::FileCopy& copy) {
            line.Clear();
            const std::string& host = request.hosts[copy.host].url;
            if (copy.state == net::SendState::Sent) {
              ui.Note(net::texts::kSentTo(file.planned.name, host));
            } else if (copy.state == net::SendState::Present) {
              ui.Note(net::texts::kAlreadyThere(file.planned.name, host));
            } else if (copy.state == net::SendState::Failed) {
              ui.ShowError(net::texts::kNotSent(file.planned.name, host, copy.why));
            }
          };
        const pendant::PendantLibrary pendants(pendant::DefaultPendantLocations());
        SendTerminalEvents events(line);
        const net::SendOutcome outcome = net::RunSend(request, pendants, events);
        line.Clear();
        // A refused plan and an error were said as they came.
        if (outcome.refusal || outcome.failed) return kFailed;
        Report(ui, outcome);
        if (outcome.stopped) {
          ui.ShowInterruption(net::texts::kSendInterrupted);
          return kFailed;
        }
        WriteLists(ui, outcome);
        return outcome.AllProved() ? kSuccess : kFailed;
      }));
}

}  // namespace kivora::cli
