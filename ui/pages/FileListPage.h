#pragma once
// The file-list tab: one row per file of a set with the address it was put at and
// extra information; addresses applied to many rows at once, rows added, edited and
// deleted, the list saved as a text file or copied, and the set fetched from the rows'
// addresses on the operation runner's thread (its files shown in the state list), or sent
// to hosts, after which the rows hold the addresses of every copy.

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/text/Language.h"
#include "filelist/FileListTable.h"
#include "filelist/SetListing.h"
#include "ui/engine/MessageLayer.h"
#include "ui/pages/PageServices.h"
#include "ui/pages/SendDialog.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace kivora {
struct EngineFailure;
namespace net {
struct FetchAndJoinOutcome;
struct SendOutcome;
}  // namespace net
}  // namespace kivora

namespace kivora::ui {

class FileListEditor;

class FileListPage : public QWidget {
  Q_OBJECT
 public:
  FileListPage(QWidget* parent, const PageServices& services, QLabel* summaryPanel);

  // The sizes behind the rows, set when the list is filled from an operation.
  // noDefinitionRow: row r belongs to part r (else row 0 is the definition file).
  void SetPartSizes(std::vector<filelist::PartSize> table, bool noDefinitionRow,
                    std::int64_t definitionSize);
  // The rows as texts, and replacing them (the hand-over from the state list).
  std::vector<filelist::FileListRow> Rows() const;
  void SetRows(const std::vector<filelist::FileListRow>& rows);
  int RowCount() const;
  // The rows of a set that `origin` (the last operation, or Load for a definition read)
  // listed: taken at once into an empty list, and only their sizes when the list holds
  // the same files. Otherwise a question names what replaces what; the list is kept
  // unless the user answers Yes; once declined, the same offer over the same rows is not
  // made again.
  void OfferSet(const filelist::SetListing& listing, OperationKind origin);
  // 開啟清單: reads a list file (plain or distributed) back into the rows, asking first
  // when it would replace rows.
  void OpenList();
  // The histories, in list order.
  QStringList Addresses() const;
  QStringList Extras() const;
  void SetHistories(const QStringList& addresses, const QStringList& extras);
  // While active, the summary panel shows this page's selection; it does so at once.
  void SetActive(bool active);

  void ApplyAddress();
  void ApplyExtra();
  void SelectAllRows();
  void AddRow();
  void EditRow();
  void DeleteRows();
  void SaveList();
  void CopyRows();
  // Asks for the folder and fetches the set from the rows' addresses into it.
  void Fetch();
  void AbortFetch();
  // Asks for the hosts and the definition, and sends the set to them; afterwards the rows
  // are its files at every host that holds them.
  void Send();
  // The definition the send dialog offers first (the one of the last operation).
  void SetSendDefinition(const QString& path);
  // The hosts the last send went to, kept in the settings.
  QStringList SendHosts() const { return sendChoice_.hosts; }
  void SetSendHosts(const QStringList& hosts) { sendChoice_.hosts = hosts; }
  // True while a fetch or a send this page started runs.
  bool AtWork() const { return atWork_; }
  void UpdateMenu();
  bool SelectAll() const { return selectAll_; }
  // The status-bar summary of `selected` of `rows` rows that hold `bytes` together.
  static QString SummaryText(int selected, int rows, std::int64_t bytes);

 signals:
  // A fetch or send this page started is at work (or no longer): what cannot run beside it
  // stops.
  void FetchAtWork(bool atWork);
  // A fetch ended with the set's definition (or the part carrying it) in its folder; `joined`:
  // the user took the offer, and the join ran.
  void FetchedSet(const QString& definition, bool joined);

 protected:
  // Ctrl+C in the list is the menu's copy, and nothing while that is disabled.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Takes the row editor's histories; the page's own address and extra-information
  // fields keep what they hold.
  void TakeHistories(const FileListEditor& editor);
  std::vector<int> ActingRows() const;
  std::vector<int> SelectedRows() const;
  void OnSelectionChanged();
  void ShowSummary(int selected, std::int64_t total);
  QStringList FileNames() const;
  // Whether every row holds an address and a file name; the error box when not.
  bool RowsComplete(const std::vector<filelist::FileListRow>& rows);
  // Whether the rows may give way to `count` rows of `incoming` (a text naming them);
  // asks when the list holds any, with keeping them as the default.
  bool MayReplaceRows(const QString& incoming);
  void ShowFailure(const EngineFailure& failure);
  void ShowFetchWork(bool atWork);
  void ShowFetched(const net::FetchAndJoinOutcome& outcome);
  void ShowSent(const net::SendOutcome& outcome);

  QComboBox* addressBox_;
  QComboBox* extraBox_;
  QTreeWidget* fileList_;
  QMenu* contextMenu_;
  QPushButton* fetchButton_;
  QPushButton* abortButton_;
  QPushButton* sendButton_;
  MessageLayer& messages_;
  const PendantProvider& pendants_;
  OperationRunner& runner_;
  WindowUi& ui_;
  QLabel* summary_;
  Language language_;
  QString fetchFolder_;  // where the last fetch went
  bool atWork_ = false;
  SendChoice sendChoice_;  // what the send dialog was left with
  std::vector<filelist::PartSize> partSizes_;
  bool noDefinitionRow_ = false;
  std::int64_t definitionSize_ = 0;
  bool selectAll_ = false;
  bool active_ = false;
  // The set's rows the user chose not to take, and the rows kept then.
  std::vector<filelist::FileListRow> declinedOffer_;
  std::vector<filelist::FileListRow> declinedRows_;
};

}  // namespace kivora::ui
