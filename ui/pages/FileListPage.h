#pragma once
// The file-list tab: one row per file of a set with the address it was put at and
// extra information; addresses applied to many rows at once, rows added, edited and
// deleted, the list saved as a text file or copied, and the set fetched from the rows'
// addresses on the operation runner's thread (its files shown in the state list).

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/text/Language.h"
#include "filelist/FileListTable.h"
#include "filelist/SetListing.h"
#include "ui/engine/MessageLayer.h"
#include "ui/pages/PageServices.h"

class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTreeWidget;

namespace kivora {
struct EngineFailure;
namespace net {
struct FetchAndJoinOutcome;
}
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
  // True while a fetch this page started runs.
  bool Fetching() const { return fetching_; }
  void UpdateMenu();
  bool SelectAll() const { return selectAll_; }
  // The status-bar summary of `selected` of `rows` rows that hold `bytes` together.
  static QString SummaryText(int selected, int rows, std::int64_t bytes);

 signals:
  // A fetch this page started is at work (or no longer): what cannot run beside it stops.
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

  QComboBox* addressBox_;
  QComboBox* extraBox_;
  QTreeWidget* fileList_;
  QMenu* contextMenu_;
  QPushButton* fetchButton_;
  QPushButton* abortButton_;
  MessageLayer& messages_;
  const PendantProvider& pendants_;
  OperationRunner& runner_;
  WindowUi& ui_;
  QLabel* summary_;
  Language language_;
  QString fetchFolder_;  // where the last fetch went
  bool fetching_ = false;
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
