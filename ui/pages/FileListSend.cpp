// The file-list page's send: the set sent to the hosts of the send dialog as an operation
// of the window's runner, and afterwards the rows are its files at every host that holds
// them, ready to be saved as the list.
#include <QDialog>
#include <QFileInfo>
#include <memory>
#include <optional>

#include "core/operations/EngineCall.h"
#include "core/text/Messages.h"
#include "filelist/FileListRow.h"
#include "net/SendOperation.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/FileListPage.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {

void FileListPage::SetSendDefinition(const QString& path) {
  if (!path.isEmpty() && QFileInfo(path).isFile()) sendChoice_.definition = path;
}

void FileListPage::Send() {
  if (runner_.Running()) return;
  SendDialog dialog(this, messages_, language_, sendChoice_);
  if (dialog.exec() != QDialog::Accepted) return;
  sendChoice_ = dialog.Choice();
  net::SendRequest request;
  request.definition = ToPath(sendChoice_.definition);
  request.placement = sendChoice_.spread ? net::Placement::Spread : net::Placement::AllCopies;
  const auto failure = TryEngine(msg::kSendFailedClosing, [&] {
    request.hosts = SendHostsOf(sendChoice_);
    // Hosts are signed in to as the environment, ~/.netrc and ~/.ssh say, as the command
    // line does.
    request.access = net::HostAccess::From({});
  });
  if (failure) {
    ShowFailure(*failure);
    return;
  }
  // Filled on the operation's thread, read on the window's once the operation ended.
  auto outcome = std::make_shared<std::optional<net::SendOutcome>>();
  runner_.Start([this](bool atWork) { ShowFetchWork(atWork); },
                [this, request = std::move(request), outcome](OperationEvents& events) {
                  *outcome = net::RunSend(request, pendants_, events);
                },
                [this, outcome] {
                  if (*outcome) ShowSent(**outcome);
                });
}

void FileListPage::ShowSent(const net::SendOutcome& outcome) {
  // A stopped or refused send gives no list; a send with copies missing gives the list of
  // those that prove, as the command line writes it.
  if (outcome.failed || outcome.stopped || outcome.refusal) return;
  std::vector<filelist::FileListRow> rows;
  for (const net::SentRow& row : net::SentRows(outcome))
    rows.push_back({row.address, row.name, ""});
  if (rows.empty()) return;
  SetRows(rows);
  declinedOffer_.clear();
  declinedRows_.clear();
}

}  // namespace kivora::ui
