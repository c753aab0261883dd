// The file-list page's fetch: the set brought back from the rows' addresses, as an
// operation of the window's runner, and joined when the user takes the offer.
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <memory>
#include <optional>

#include "core/operations/EngineCall.h"
#include "core/text/Messages.h"
#include "filelist/FileListRow.h"
#include "net/FetchAndJoin.h"
#include "net/FetchOperation.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/FileListPage.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {

void FileListPage::Fetch() {
  const auto rows = Rows();
  if (!RowsComplete(rows) || runner_.Running()) return;
  net::FetchRequest request;
  const auto failure = TryEngine(msg::kFetchFailedClosing, [&] {
    for (const auto& row : rows)
      request.addresses.push_back(net::ParseAddress(filelist::RowLine(row)));
    // Hosts are reached as the environment and ~/.ssh say, as the command line does.
    request.limits.access = net::HostAccess::From({});
  });
  if (failure) {
    ShowFailure(*failure);
    return;
  }
  const auto folder = messages_.SelectFolder(this, fetchFolder_);
  if (!folder) return;
  fetchFolder_ = *folder;
  request.folder = ToPath(*folder);
  // Filled on the operation's thread, read on the window's once the operation ended.
  auto outcome = std::make_shared<std::optional<net::FetchAndJoinOutcome>>();
  runner_.Start([this](bool atWork) { ShowFetchWork(atWork); },
                [this, request = std::move(request), outcome](OperationEvents& events) {
                  // The fetch's own closing says how it went; the join is offered once
                  // the set is had (after a repair when recovery parts can give the rest).
                  *outcome = net::FetchAndJoin(request, pendants_, events, net::JoinOffer::Ask);
                },
                [this, outcome] {
                  if (*outcome) ShowFetched(**outcome);
                });
}

void FileListPage::AbortFetch() {
  runner_.RequestAbort();
  abortButton_->setEnabled(false);
}

void FileListPage::ShowFetchWork(bool atWork) {
  atWork_ = atWork;
  fetchButton_->setEnabled(!atWork);
  sendButton_->setEnabled(!atWork);
  abortButton_->setEnabled(atWork);
  emit FetchAtWork(atWork);
}

void FileListPage::ShowFetched(const net::FetchAndJoinOutcome& outcome) {
  const net::FetchOutcome& fetched = outcome.fetched;
  // The closing names what was made and where, with a way to the folder: the joined file,
  // or the files of the set.
  if (outcome.joined && outcome.join && !outcome.join->output.empty()) {
    const QFileInfo joined(ToQ(outcome.join->output.string()));
    ui_.ReportOutput(joined.absolutePath(), {joined.fileName()});
  } else {
    QStringList names;
    for (const net::FetchedFile& file : fetched.files)
      if (file.Here()) names.append(ToQ(file.name));
    ui_.ReportOutput(QDir(fetchFolder_).absolutePath(), names);
  }
  if (fetched.definitionPath.empty()) return;
  const QString definition = ToQ(fetched.definitionPath.string());
  if (QFileInfo(definition).isFile()) emit FetchedSet(definition, outcome.join.has_value());
}

}  // namespace kivora::ui
