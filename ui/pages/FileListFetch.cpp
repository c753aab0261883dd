// The file-list page's fetch: the set brought back from the rows' addresses, as an
// operation of the window's runner.
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <atomic>
#include <memory>
#include <optional>

#include "core/operations/EngineCall.h"
#include "filelist/FileListRow.h"
#include "language/EngineText.h"
#include "net/FetchMessages.h"
#include "net/FetchOperation.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/FileListPage.h"
#include "ui/pages/WidgetNames.h"

namespace kivora::ui {

void FileListPage::Fetch() {
  const auto rows = Rows();
  if (!RowsComplete(rows) || runner_.Running()) return;
  net::FetchRequest request;
  const auto failure = TryEngine(net::texts::kFetchFailed, [&] {
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
  // The counts come on the operation's thread and are shown on the window's, the latest
  // only.
  fetchClock_.start();
  auto latest = std::make_shared<std::atomic<bool>>(false);
  request.onProgress = [this, latest](const net::FetchProgress& p) {
    if (latest->exchange(true)) return;  // one waits to be shown already
    QMetaObject::invokeMethod(
        this,
        [this, latest, p] {
          latest->store(false);
          if (!fetching_) return;
          emit FetchProgressShown(
              FetchProgressText(p.filesDone, p.filesTotal, p.bytes,
                                static_cast<double>(fetchClock_.elapsed()) / 1000.0));
        },
        Qt::QueuedConnection);
  };
  // Filled on the operation's thread, read on the window's once the operation ended.
  auto outcome = std::make_shared<std::optional<net::FetchOutcome>>();
  runner_.Start([this](bool atWork) { ShowFetchWork(atWork); },
                [this, request = std::move(request), outcome](OperationEvents& events) {
                  events.Report(WorkStarted{});
                  events.Report(FilesCleared{});
                  *outcome = CallEngine(
                      events, OperationFailure{net::texts::kFetchFailed},
                      std::optional<net::FetchOutcome>{},
                      [&] { return std::optional(net::RunFetch(request, pendants_, events)); });
                  events.Report(WorkEnded{});
                },
                [this, outcome] {
                  if (*outcome) ShowFetched(**outcome);
                });
}

QString FileListPage::FetchProgressText(int filesDone, int filesTotal, std::int64_t bytes,
                                        double seconds) {
  const QLocale locale;
  QString text = tr("下載數: %1/%2  %3")
                     .arg(filesDone)
                     .arg(filesTotal)
                     .arg(locale.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat));
  // The rate once there is a second to take it over.
  if (seconds >= 1.0) {
    const auto rate = static_cast<std::int64_t>(static_cast<double>(bytes) / seconds);
    text += QStringLiteral("  ") +
            tr("%1/s").arg(locale.formattedDataSize(rate, 1, QLocale::DataSizeTraditionalFormat));
  }
  return text;
}

void FileListPage::AbortFetch() {
  runner_.RequestAbort();
  abortButton_->setEnabled(false);
}

void FileListPage::ShowFetchWork(bool atWork) {
  fetching_ = atWork;
  fetchButton_->setEnabled(!atWork);
  abortButton_->setEnabled(atWork);
  emit FetchAtWork(atWork);
}

void FileListPage::ShowFetched(const net::FetchOutcome& outcome) {
  if (outcome.refused) return;  // the fetch said why
  const QString folder = QDir::toNativeSeparators(fetchFolder_);
  if (outcome.stopped) {
    messages_.Warning(this, EngineText(net::texts::kFetchInterrupted(), language_) + "\n" +
                                tr("資料夾：%1").arg(folder));
    return;
  }
  const int fetched = outcome.Count(net::FetchState::Fetched);
  const int present = outcome.Count(net::FetchState::Present);
  const int total = static_cast<int>(outcome.files.size());
  const bool whole = fetched + present == total;
  QString text = EngineText(net::texts::kFetchSummary(total, fetched, present), language_) + "\n" +
                 tr("資料夾：%1").arg(folder);
  if (!whole) {
    text += "\n\n" + EngineText(net::texts::kFetchIncomplete(total - fetched - present), language_);
    for (const net::FetchedFile& file : outcome.files) {
      if (!file.Here())
        text += "\n" + EngineText(net::texts::kCouldNotFetch(file.name, file.why), language_);
    }
  }
  const QString definition =
      outcome.definitionPath.empty() ? QString() : ToQ(outcome.definitionPath.string());
  if (definition.isEmpty() || !QFileInfo(definition).isFile()) {
    messages_.Show(this, {text, whole ? MessageIcon::Information : MessageIcon::Error});
    return;
  }
  // The set is there, whole or not: the join page takes it, and the join is offered.
  text += "\n\n" + tr("要合併這組分割檔嗎？");
  const BoxMessage question{text, whole ? MessageIcon::Question : MessageIcon::Warning, true};
  emit FetchedSet(definition, messages_.Show(this, question) == Answer::Yes);
}

}  // namespace kivora::ui
