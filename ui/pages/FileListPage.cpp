#include "ui/pages/FileListPage.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/operations/EngineCall.h"
#include "core/text/Messages.h"
#include "filelist/DistributedList.h"
#include "filelist/FileListMessages.h"
#include "filelist/ListFile.h"
#include "filelist/ListRows.h"
#include "language/EngineText.h"
#include "net/AddressList.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/FileListEditor.h"
#include "ui/pages/WidgetNames.h"
#include "ui/state/FullHeightRows.h"
#include "ui/state/ListSelection.h"

namespace kivora::ui {
namespace {

QComboBox* History(const char* name) {
  auto* box = Named<QComboBox>(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);  // the handlers decide what joins the history
  return box;
}

QStringList ListFilters() {
  // Spelled out, so that the translation tools file them under the page's context.
  return {QCoreApplication::translate("kivora::ui::FileListPage", "檔案清單 (*.txt)"),
          QCoreApplication::translate("kivora::ui::FileListPage", "分散檔案清單(遞增) (*.txt)"),
          QCoreApplication::translate("kivora::ui::FileListPage", "分散檔案清單(遞減) (*.txt)"),
          QCoreApplication::translate("kivora::ui::FileListPage", "所有檔案 (*)")};
}

}  // namespace

FileListPage::FileListPage(QWidget* parent, const PageServices& services, QLabel* summaryPanel)
    : QWidget(parent),
      messages_(services.messages),
      pendants_(services.pendants),
      runner_(services.runner),
      ui_(services.ui),
      summary_(summaryPanel),
      language_(services.language) {
  setObjectName(QStringLiteral("TabSheet2"));
  addressBox_ = History("cobAddress");
  extraBox_ = History("cobCgi");
  auto* applyAddressButton = Named<QPushButton>("btnExecuteAddress", tr("執行(&T)"));
  auto* applyExtraButton = Named<QPushButton>("btnExecuteCgi", tr("執行(&U)"));
  auto* selectAllButton = Named<QPushButton>("btnSelectAll", tr("全選(&L)"));
  auto* addButton = Named<QPushButton>("btnAdd", tr("加入(&A)"));
  auto* editButton = Named<QPushButton>("btnEdit", tr("編輯(&E)"));
  auto* deleteButton = Named<QPushButton>("btnDelete", tr("刪除(&D)"));
  auto* openButton = Named<QPushButton>("btnOpenList", tr("開啟清單(&O)..."));
  auto* saveButton = Named<QPushButton>("btnSaveAs", tr("儲存(&S)..."));
  fetchButton_ = Named<QPushButton>("btnFetch", tr("下載(&F)..."));
  abortButton_ = Named<QPushButton>("btnFetchAbort", tr("放棄(&B)"));
  abortButton_->setEnabled(false);
  sendButton_ = Named<QPushButton>("btnSend", tr("上傳(&P)..."));
  fileList_ = Named<QTreeWidget>("lvFileList");
  fileList_->setHeaderLabels({tr("位址"), tr("檔名"), tr("附加資訊")});
  fileList_->setRootIsDecorated(false);
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fileList_->setItemDelegate(new FullHeightRows(fileList_));
  fileList_->header()->setSectionsClickable(false);
  fileList_->header()->resizeSection(0, 300);
  fileList_->header()->resizeSection(1, 120);
  fileList_->header()->resizeSection(2, 120);

  auto* addressLabel = new QLabel(tr("位址(&R):"));
  addressLabel->setBuddy(addressBox_);
  auto* extraLabel = new QLabel(tr("附加資訊(&I):"));
  extraLabel->setBuddy(extraBox_);
  auto* grid = new QGridLayout;
  grid->addWidget(addressLabel, 0, 0);
  grid->addWidget(addressBox_, 0, 1);
  grid->addWidget(applyAddressButton, 0, 2);
  grid->addWidget(extraLabel, 1, 0);
  grid->addWidget(extraBox_, 1, 1);
  grid->addWidget(applyExtraButton, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {selectAllButton, addButton, editButton, deleteButton})
    buttons->addWidget(b);
  buttons->addStretch();
  for (QPushButton* b : {fetchButton_, sendButton_, abortButton_, openButton, saveButton})
    buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(fileList_, 1);
  layout->addLayout(buttons);

  // The context menu; its shortcuts act while the list has the focus.
  contextMenu_ = new QMenu(this);
  contextMenu_->setObjectName(QStringLiteral("PopupMenu1"));
  auto item = [this](const char* name, const QString& text, QKeySequence key, auto handler) {
    QAction* action = contextMenu_->addAction(text, this, handler);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
      action->setShortcut(key);
      action->setShortcutContext(Qt::WidgetShortcut);
      fileList_->addAction(action);
    }
    return action;
  };
  item("miAdd", tr("加入(&A)"), {}, [this] { AddRow(); });
  item("miEdit", tr("編輯(&E)"), {}, [this] { EditRow(); });
  item("miDelete", tr("刪除(&D)"), QKeySequence(Qt::Key_Delete), [this] { DeleteRows(); });
  contextMenu_->addSeparator();
  item("miSelectAll", tr("全選(&L)"), QKeySequence(Qt::CTRL | Qt::Key_A),
       [this] { SelectAllRows(); });
  contextMenu_->addSeparator();
  item("miCopy", tr("複製(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C), [this] { CopyRows(); });
  fileList_->installEventFilter(this);
  fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(fileList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    UpdateMenu();
    contextMenu_->popup(fileList_->viewport()->mapToGlobal(at));
  });

  connect(applyAddressButton, &QPushButton::clicked, this, [this] { ApplyAddress(); });
  connect(applyExtraButton, &QPushButton::clicked, this, [this] { ApplyExtra(); });
  connect(addressBox_->lineEdit(), &QLineEdit::returnPressed, this, [this] { ApplyAddress(); });
  connect(extraBox_->lineEdit(), &QLineEdit::returnPressed, this, [this] { ApplyExtra(); });
  connect(selectAllButton, &QPushButton::clicked, this, [this] { SelectAllRows(); });
  connect(addButton, &QPushButton::clicked, this, [this] { AddRow(); });
  connect(editButton, &QPushButton::clicked, this, [this] { EditRow(); });
  connect(deleteButton, &QPushButton::clicked, this, [this] { DeleteRows(); });
  connect(openButton, &QPushButton::clicked, this, [this] { OpenList(); });
  connect(saveButton, &QPushButton::clicked, this, [this] { SaveList(); });
  connect(fetchButton_, &QPushButton::clicked, this, [this] { Fetch(); });
  connect(abortButton_, &QPushButton::clicked, this, [this] { AbortFetch(); });
  connect(sendButton_, &QPushButton::clicked, this, [this] { Send(); });
  connect(fileList_, &QTreeWidget::itemDoubleClicked, this, [this] { EditRow(); });
  connect(fileList_, &QTreeWidget::itemPressed, this, [this] { selectAll_ = false; });
  connect(fileList_, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
  // The address of a row can be edited in place (F2).
  auto* rename =
      new QShortcut(QKeySequence(Qt::Key_F2), fileList_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(rename, &QShortcut::activated, this, [this] {
    if (QTreeWidgetItem* current = fileList_->currentItem()) fileList_->editItem(current, 0);
  });
  // Line and thumb scrolls and the wheel keep the visible rows selected after select-all.
  QScrollBar* bar = fileList_->verticalScrollBar();
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
    const bool line = action == QAbstractSlider::SliderSingleStepAdd ||
                      action == QAbstractSlider::SliderSingleStepSub;
    if (!line && action != QAbstractSlider::SliderMove) return;
    if (!SelectAll()) return;
    QTimer::singleShot(0, this, [this] { SelectAllRows(); });
  });
}

bool FileListPage::eventFilter(QObject* watched, QEvent* event) {
  // An enabled copy action takes Ctrl+C as its shortcut before the list sees it; what
  // reaches the list would otherwise copy the current cell alone.
  if (watched == fileList_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    const auto* copy = contextMenu_->findChild<QAction*>(QStringLiteral("miCopy"));
    if (copy && copy->isEnabled()) CopyRows();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void FileListPage::SetPartSizes(std::vector<filelist::PartSize> table, bool noDefinitionRow,
                                std::int64_t definitionSize) {
  partSizes_ = std::move(table);
  noDefinitionRow_ = noDefinitionRow;
  definitionSize_ = definitionSize;
}

std::vector<filelist::FileListRow> FileListPage::Rows() const {
  std::vector<filelist::FileListRow> rows;
  for (int i = 0; i < fileList_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = fileList_->topLevelItem(i);
    rows.push_back(
        {item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString()});
  }
  return rows;
}

void FileListPage::SetRows(const std::vector<filelist::FileListRow>& rows) {
  fileList_->setUpdatesEnabled(false);
  fileList_->clear();
  for (const auto& row : rows) {
    auto* item =
        new QTreeWidgetItem(fileList_, {ToQ(row.address), ToQ(row.fileName), ToQ(row.extra)});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  fileList_->setUpdatesEnabled(true);
}

int FileListPage::RowCount() const { return fileList_->topLevelItemCount(); }

namespace {

// "the 103 files of the last test", as the replace question names them.
QString FilesOf(OperationKind origin, int files) {
  const char* text = nullptr;
  switch (origin) {
    case OperationKind::Split:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次分割的 %n 個檔案");
      break;
    case OperationKind::Resplit:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次再分割的 %n 個檔案");
      break;
    case OperationKind::Test:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次測試的 %n 個檔案");
      break;
    case OperationKind::Join:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次合併的 %n 個檔案");
      break;
    case OperationKind::Repair:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次修復的 %n 個檔案");
      break;
    case OperationKind::AddRecovery:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次加入修復檔的 %n 個檔案");
      break;
    case OperationKind::Fetch:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次下載的 %n 個檔案");
      break;
    case OperationKind::Send:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "上次上傳的 %n 個檔案");
      break;
    case OperationKind::Load:
      text = QT_TRANSLATE_N_NOOP("kivora::ui::FileListPage", "剛讀取的這組分割檔的 %n 個檔案");
      break;
  }
  return QCoreApplication::translate("kivora::ui::FileListPage", text, nullptr, files);
}

bool SameFiles(const std::vector<filelist::FileListRow>& a,
               const std::vector<filelist::FileListRow>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const auto& x, const auto& y) { return x.fileName == y.fileName; });
}

}  // namespace

bool FileListPage::MayReplaceRows(const QString& incoming) {
  const auto rows = Rows();
  if (rows.empty()) return true;
  const bool typed = std::any_of(rows.begin(), rows.end(), [](const filelist::FileListRow& row) {
    return !row.address.empty() || !row.extra.empty();
  });
  const int count = static_cast<int>(rows.size());
  const QString current = typed ? tr("清單中的 %n 列 (連同它們的位址)", nullptr, count)
                                : tr("清單中的 %n 列", nullptr, count);
  const BoxMessage question{tr("要以%1取代%2嗎？").arg(incoming, current), MessageIcon::Question,
                            true, false, Answer::No};
  return messages_.Show(this, question) == Answer::Yes;
}

void FileListPage::OfferSet(const filelist::SetListing& listing, OperationKind origin) {
  const auto rows = Rows();
  const bool same = SameFiles(rows, listing.rows);
  if (!same) {
    // Declined once for these very rows, the same files are not offered again.
    if (declinedOffer_ == listing.rows && declinedRows_ == rows) return;
    if (!MayReplaceRows(FilesOf(origin, static_cast<int>(listing.rows.size())))) {
      declinedOffer_ = listing.rows;
      declinedRows_ = rows;
      return;
    }
  }
  SetPartSizes(listing.sizes, listing.noDefinitionRow, listing.definitionSize);
  if (!same) SetRows(listing.rows);  // the same files keep what was typed for them
}

void FileListPage::OpenList() {
  const QString filter =
      ListFilters().constFirst() + QStringLiteral(";;") + ListFilters().constLast();
  const auto chosen = messages_.OpenFileName(this, filter, QString());
  if (!chosen) return;
  std::vector<filelist::FileListRow> rows;
  const auto failure = TryEngine(filelist::msg::kListNotRead, [&] {
    rows = filelist::RowsOfListLines(net::ReadListLines(ToPath(*chosen)));
  });
  if (failure) {
    ShowFailure(*failure);
    return;
  }
  const QString name = QFileInfo(*chosen).fileName();
  if (!MayReplaceRows(tr("%1 的 %n 列", nullptr, static_cast<int>(rows.size())).arg(name))) return;
  SetRows(rows);
  OnSelectionChanged();
  fileList_->setFocus();
}

QStringList FileListPage::Addresses() const { return HistoryItems(addressBox_); }
QStringList FileListPage::Extras() const { return HistoryItems(extraBox_); }

void FileListPage::SetHistories(const QStringList& addresses, const QStringList& extras) {
  addressBox_->clear();
  addressBox_->addItems(addresses);
  addressBox_->setEditText(QString());
  extraBox_->clear();
  extraBox_->addItems(extras);
  extraBox_->setEditText(QString());
}

void FileListPage::TakeHistories(const FileListEditor& editor) {
  const QString address = addressBox_->currentText();
  const QString extra = extraBox_->currentText();
  SetHistories(editor.AddressHistory(), editor.ExtraHistory());
  addressBox_->setEditText(address);
  extraBox_->setEditText(extra);
}

std::vector<int> FileListPage::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < fileList_->topLevelItemCount(); ++i) {
    if (fileList_->topLevelItem(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

std::vector<int> FileListPage::ActingRows() const {
  if (!SelectAll()) return SelectedRows();
  std::vector<int> all(static_cast<size_t>(fileList_->topLevelItemCount()));
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  return all;
}

void FileListPage::ApplyAddress() {
  if (addressBox_->currentText().isEmpty()) {
    messages_.Error(this, tr("位址欄位是空白的。(405)"));
    return;
  }
  if (SelectedRows().empty()) {
    messages_.Error(this, tr("請選擇清單...(411)"));
    fileList_->setFocus();
    return;
  }
  QString address = addressBox_->currentText();
  if (!address.endsWith('/')) address += '/';
  addressBox_->setEditText(address);
  for (int row : ActingRows()) fileList_->topLevelItem(row)->setText(0, address);
  if (!HistoryHolds(addressBox_, address)) {
    addressBox_->addItem(address);  // new addresses go to the end
    addressBox_->setEditText(address);
  }
  fileList_->setFocus();
}

void FileListPage::ApplyExtra() {
  const QString extra = extraBox_->currentText();
  if (extra.isEmpty()) {
    messages_.Error(this, tr("附加資訊欄位是空白的。(406)"));
    return;
  }
  if (SelectedRows().empty()) {
    messages_.Error(this, tr("請選擇清單...(412)"));
    fileList_->setFocus();
    return;
  }
  for (int row : ActingRows()) fileList_->topLevelItem(row)->setText(2, extra);
  if (!HistoryHolds(extraBox_, extra)) {
    extraBox_->insertItem(0, extra);  // new extra infos go to the top
    extraBox_->setEditText(extra);
  }
  fileList_->setFocus();
}

void FileListPage::SelectAllRows() {
  const int count = fileList_->topLevelItemCount();
  if (count == 0) return;
  SelectVisibleRows(*fileList_);
  const auto rows = Rows();
  std::int64_t total = definitionSize_;
  for (int i = 0; i < count; ++i)
    total += filelist::RowPartSize(partSizes_, rows, i, noDefinitionRow_);
  ShowSummary(count, total);
  fileList_->setFocus();
  selectAll_ = true;
}

void FileListPage::SetActive(bool active) {
  active_ = active;
  OnSelectionChanged();
}

void FileListPage::OnSelectionChanged() {
  if (!active_) return;
  const auto rows = Rows();
  std::int64_t total = 0;
  const auto selected = SelectedRows();
  for (int row : selected) total += filelist::RowPartSize(partSizes_, rows, row, noDefinitionRow_);
  ShowSummary(static_cast<int>(selected.size()), total);
}

QString FileListPage::SummaryText(int selected, int rows, std::int64_t bytes) {
  const auto kb = static_cast<std::int64_t>(std::llround(static_cast<double>(bytes) / 1024.0));
  const QString grouped = ToQ(GroupThousands(kb, QLocale().groupSeparator().toStdString()));
  return tr("選取數: %1/%2").arg(selected).arg(rows) + QStringLiteral("  ") +
         tr("  選取大小: %1KB").arg(grouped);
}

void FileListPage::ShowSummary(int selected, std::int64_t total) {
  summary_->setText(SummaryText(selected, RowCount(), total));
}

QStringList FileListPage::FileNames() const {
  QStringList names;
  for (int i = 0; i < fileList_->topLevelItemCount(); ++i)
    names << fileList_->topLevelItem(i)->text(1);
  return names;
}

void FileListPage::AddRow() {
  FileListEditor editor(this, Addresses(), FileNames(), Extras());
  editor.exec();
  if (editor.Confirmed()) {
    const auto selected = SelectedRows();
    const int at = selected.empty() ? fileList_->topLevelItemCount() : selected.front() + 1;
    auto* item = new QTreeWidgetItem({editor.Address(), editor.FileName(), editor.Extra()});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    fileList_->insertTopLevelItem(at, item);  // owned by the list
    TakeHistories(editor);
  }
  fileList_->setFocus();
}

void FileListPage::EditRow() {
  const auto selected = SelectedRows();
  if (selected.empty()) {
    messages_.Error(this, tr("請選擇要編輯的清單。(413)"));
    fileList_->setFocus();
    return;
  }
  QTreeWidgetItem* item = fileList_->topLevelItem(selected.front());
  FileListEditor editor(this, Addresses(), FileNames(), Extras());
  editor.SetTexts(item->text(0), item->text(1), item->text(2));
  editor.exec();
  if (editor.Confirmed()) {
    item->setText(0, editor.Address());
    item->setText(1, editor.FileName());
    item->setText(2, editor.Extra());
    TakeHistories(editor);
  }
  fileList_->setFocus();
}

void FileListPage::DeleteRows() {
  const auto selected = SelectedRows();
  if (selected.empty()) {
    messages_.Error(this, tr("請選擇要刪除的清單。(414)"));
    return;
  }
  if (messages_.Question(this, tr("您是否確定要刪除這(些)項目？")) != Answer::Yes) return;
  fileList_->setUpdatesEnabled(false);
  for (auto it = selected.rbegin(); it != selected.rend(); ++it)
    delete fileList_->takeTopLevelItem(*it);
  fileList_->setUpdatesEnabled(true);
  OnSelectionChanged();  // the row count changed
}

bool FileListPage::RowsComplete(const std::vector<filelist::FileListRow>& rows) {
  if (rows.empty()) {
    messages_.Error(this, tr("沒有任何的檔案清單。"));
    fileList_->setFocus();
    return false;
  }
  for (const auto& row : rows) {
    if (row.address.empty() || row.fileName.empty()) {
      messages_.Error(this, tr("位址或檔名欄位是空白的。"));
      return false;
    }
  }
  return true;
}

void FileListPage::ShowFailure(const EngineFailure& failure) {
  messages_.Error(
      this,
      EngineText(failure.text, language_) +
          (failure.detail.empty() ? QString() : "\n\n" + EngineText(failure.detail, language_)));
}

void FileListPage::SaveList() {
  const auto rows = Rows();
  if (!RowsComplete(rows)) return;
  const auto chosen = messages_.SaveListFileName(this, ListFilters());
  if (chosen) {
    const std::filesystem::path path(chosen->first.toStdString());
    const auto failure = TryEngine(filelist::msg::kListNotWritten422, [&] {
      if (chosen->second == 1 || chosen->second == 2) {
        filelist::SaveDistributedList(rows, path, chosen->second == 1);
      } else {
        filelist::SavePlainList(rows, path);
      }
    });
    if (failure) {
      ShowFailure(*failure);
    } else {
      // The list is written: say so, and where.
      messages_.Information(this, tr("已儲存 %1 列的檔案清單：\n%2")
                                      .arg(rows.size())
                                      .arg(QDir::toNativeSeparators(chosen->first)));
    }
  }
  fileList_->setFocus();
}

void FileListPage::CopyRows() {
  if (fileList_->topLevelItemCount() == 0) return;
  const auto rows = Rows();
  QString text;
  for (int row : ActingRows())
    text += ToQ(filelist::RowLine(rows[static_cast<size_t>(row)])) + QStringLiteral("\r\n");
  QGuiApplication::clipboard()->setText(text);
}

void FileListPage::UpdateMenu() {
  const bool any = !SelectedRows().empty();
  for (const char* name : {"miEdit", "miDelete", "miCopy"}) {
    if (auto* action = contextMenu_->findChild<QAction*>(QString::fromLatin1(name)))
      action->setEnabled(any);
  }
}

}  // namespace kivora::ui
