#include "FileListPage.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
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
#include <cmath>

#include "DefinitionReader.h"
#include "DistributedList.h"
#include "EngineCall.h"
#include "FileListEditor.h"
#include "FileListMessages.h"
#include "FullHeightRows.h"
#include "KivoraError.h"
#include "ListFile.h"
#include "ListSelection.h"
#include "WidgetNames.h"
#include "WindowUi.h"

namespace kivora::ui {
namespace {

QComboBox* History(const char* name) {
  auto* box = Named<QComboBox>(name);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);  // the handlers decide what joins the history
  return box;
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

const QStringList& ListFilters() {
  static const QStringList filters = {
      QStringLiteral("檔案清單 (*.txt)"), QStringLiteral("分散檔案清單(遞增) (*.txt)"),
      QStringLiteral("分散檔案清單(遞減) (*.txt)"), QStringLiteral("所有檔案 (*)")};
  return filters;
}

}  // namespace

FileListPage::FileListPage(QWidget* parent, MessageLayer& messages, QLabel* summaryPanel)
    : QWidget(parent), messages_(messages), summary_(summaryPanel) {
  setObjectName(QStringLiteral("TabSheet2"));
  cobAddress = History("cobAddress");
  cobCgi = History("cobCgi");
  auto* btnExecuteAddress = Named<QPushButton>("btnExecuteAddress", QStringLiteral("執行(&T)"));
  auto* btnExecuteCgi = Named<QPushButton>("btnExecuteCgi", QStringLiteral("執行(&U)"));
  auto* btnSelectAll = Named<QPushButton>("btnSelectAll", QStringLiteral("全選(&L)"));
  auto* btnAdd = Named<QPushButton>("btnAdd", QStringLiteral("加入(&A)"));
  auto* btnEdit = Named<QPushButton>("btnEdit", QStringLiteral("編輯(&E)"));
  auto* btnDelete = Named<QPushButton>("btnDelete", QStringLiteral("刪除(&D)"));
  auto* btnSaveAs = Named<QPushButton>("btnSaveAs", QStringLiteral("儲存(&S)..."));
  lvFileList = Named<QTreeWidget>("lvFileList");
  lvFileList->setHeaderLabels(
      {QStringLiteral("位址"), QStringLiteral("檔名"), QStringLiteral("附加資訊")});
  lvFileList->setRootIsDecorated(false);
  lvFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvFileList->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvFileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvFileList->setItemDelegate(new FullHeightRows(lvFileList));
  lvFileList->header()->setSectionsClickable(false);
  lvFileList->header()->resizeSection(0, 300);
  lvFileList->header()->resizeSection(1, 120);
  lvFileList->header()->resizeSection(2, 120);

  auto* addressLabel = new QLabel(QStringLiteral("位址(&R):"));
  addressLabel->setBuddy(cobAddress);
  auto* cgiLabel = new QLabel(QStringLiteral("附加資訊(&I):"));
  cgiLabel->setBuddy(cobCgi);
  auto* grid = new QGridLayout;
  grid->addWidget(addressLabel, 0, 0);
  grid->addWidget(cobAddress, 0, 1);
  grid->addWidget(btnExecuteAddress, 0, 2);
  grid->addWidget(cgiLabel, 1, 0);
  grid->addWidget(cobCgi, 1, 1);
  grid->addWidget(btnExecuteCgi, 1, 2);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnSelectAll, btnAdd, btnEdit, btnDelete}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(btnSaveAs);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(lvFileList, 1);
  layout->addLayout(buttons);

  // The context menu; its shortcuts act while the list has the focus.
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  auto item = [this](const char* name, const QString& text, QKeySequence key, auto handler) {
    QAction* action = PopupMenu1->addAction(text, this, handler);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
      action->setShortcut(key);
      action->setShortcutContext(Qt::WidgetShortcut);
      lvFileList->addAction(action);
    }
    return action;
  };
  item("miAdd", QStringLiteral("加入(&A)"), {}, [this] { btnAddClick(); });
  item("miEdit", QStringLiteral("編輯(&E)"), {}, [this] { btnEditClick(); });
  item("miDelete", QStringLiteral("刪除(&D)"), QKeySequence(Qt::Key_Delete),
       [this] { btnDeleteClick(); });
  PopupMenu1->addSeparator();
  item("miSelectAll", QStringLiteral("全選(&L)"), QKeySequence(Qt::CTRL | Qt::Key_A),
       [this] { btnSelectAllClick(); });
  PopupMenu1->addSeparator();
  item("miCopy", QStringLiteral("複製(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C),
       [this] { miCopyClick(); });
  lvFileList->installEventFilter(this);
  lvFileList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lvFileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    PopupMenu1Popup();
    PopupMenu1->popup(lvFileList->viewport()->mapToGlobal(at));
  });

  connect(btnExecuteAddress, &QPushButton::clicked, this, [this] { btnExecuteAddressClick(); });
  connect(btnExecuteCgi, &QPushButton::clicked, this, [this] { btnExecuteCgiClick(); });
  connect(cobAddress->lineEdit(), &QLineEdit::returnPressed, this,
          [this] { btnExecuteAddressClick(); });
  connect(cobCgi->lineEdit(), &QLineEdit::returnPressed, this, [this] { btnExecuteCgiClick(); });
  connect(btnSelectAll, &QPushButton::clicked, this, [this] { btnSelectAllClick(); });
  connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
  connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnSaveAs, &QPushButton::clicked, this, [this] { btnSaveAsClick(); });
  connect(lvFileList, &QTreeWidget::itemDoubleClicked, this, [this] { btnEditClick(); });
  connect(lvFileList, &QTreeWidget::itemPressed, this, [this] { selectAllTag_ = 0; });
  connect(lvFileList, &QTreeWidget::itemSelectionChanged, this, [this] { lvFileListSelectItem(); });
  // The address of a row can be edited in place (F2).
  auto* rename =
      new QShortcut(QKeySequence(Qt::Key_F2), lvFileList, nullptr, nullptr, Qt::WidgetShortcut);
  connect(rename, &QShortcut::activated, this, [this] {
    if (QTreeWidgetItem* current = lvFileList->currentItem()) lvFileList->editItem(current, 0);
  });
  // Line and thumb scrolls and the wheel keep the visible rows selected after select-all.
  QScrollBar* bar = lvFileList->verticalScrollBar();
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
    const bool line = action == QAbstractSlider::SliderSingleStepAdd ||
                      action == QAbstractSlider::SliderSingleStepSub;
    if (!line && action != QAbstractSlider::SliderMove) return;
    if (!SelectAll()) return;
    QTimer::singleShot(0, this, [this] { btnSelectAllClick(); });
  });
}

bool FileListPage::eventFilter(QObject* watched, QEvent* event) {
  // An enabled copy action takes Ctrl+C as its shortcut before the list sees it; what
  // reaches the list would otherwise copy the current cell alone.
  if (watched == lvFileList && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    const auto* copy = PopupMenu1->findChild<QAction*>(QStringLiteral("miCopy"));
    if (copy && copy->isEnabled()) miCopyClick();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void FileListPage::SetPartSizes(std::vector<filelist::TFileListData> table, bool noDefinitionRow,
                                std::int64_t definitionSize) {
  partSizes_ = std::move(table);
  noDefinitionRow_ = noDefinitionRow;
  definitionSize_ = definitionSize;
}

std::vector<filelist::FileListRow> FileListPage::Rows() const {
  std::vector<filelist::FileListRow> rows;
  for (int i = 0; i < lvFileList->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lvFileList->topLevelItem(i);
    rows.push_back(
        {item->text(0).toStdString(), item->text(1).toStdString(), item->text(2).toStdString()});
  }
  return rows;
}

void FileListPage::SetRows(const std::vector<filelist::FileListRow>& rows) {
  lvFileList->setUpdatesEnabled(false);
  lvFileList->clear();
  for (const auto& row : rows) {
    auto* item =
        new QTreeWidgetItem(lvFileList, {ToQ(row.address), ToQ(row.fileName), ToQ(row.extra)});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  lvFileList->setUpdatesEnabled(true);
}

int FileListPage::RowCount() const { return lvFileList->topLevelItemCount(); }
QStringList FileListPage::Addresses() const { return Items(cobAddress); }
QStringList FileListPage::Extras() const { return Items(cobCgi); }

void FileListPage::SetHistories(const QStringList& addresses, const QStringList& extras) {
  cobAddress->clear();
  cobAddress->addItems(addresses);
  cobAddress->setEditText(QString());
  cobCgi->clear();
  cobCgi->addItems(extras);
  cobCgi->setEditText(QString());
}

std::vector<int> FileListPage::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < lvFileList->topLevelItemCount(); ++i) {
    if (lvFileList->topLevelItem(i)->isSelected()) rows.push_back(i);
  }
  return rows;
}

std::vector<int> FileListPage::ActingRows() const {
  if (!SelectAll()) return SelectedRows();
  std::vector<int> all(static_cast<size_t>(lvFileList->topLevelItemCount()));
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
  return all;
}

void FileListPage::btnExecuteAddressClick() {
  if (cobAddress->currentText().isEmpty()) {
    messages_.Error(this, QStringLiteral("位址欄位是空白的。(405)"));
    return;
  }
  if (SelectedRows().empty()) {
    messages_.Error(this, QStringLiteral("請選擇清單...(411)"));
    lvFileList->setFocus();
    return;
  }
  QString address = cobAddress->currentText();
  if (!address.endsWith('/')) address += '/';
  cobAddress->setEditText(address);
  for (int row : ActingRows()) lvFileList->topLevelItem(row)->setText(0, address);
  if (!HistoryHolds(cobAddress, address)) {
    cobAddress->addItem(address);  // new addresses go to the end
    cobAddress->setEditText(address);
  }
  lvFileList->setFocus();
}

void FileListPage::btnExecuteCgiClick() {
  const QString extra = cobCgi->currentText();
  if (extra.isEmpty()) {
    messages_.Error(this, QStringLiteral("附加資訊欄位是空白的。(406)"));
    return;
  }
  if (SelectedRows().empty()) {
    messages_.Error(this, QStringLiteral("請選擇清單...(412)"));
    lvFileList->setFocus();
    return;
  }
  for (int row : ActingRows()) lvFileList->topLevelItem(row)->setText(2, extra);
  if (!HistoryHolds(cobCgi, extra)) {
    cobCgi->insertItem(0, extra);  // new extra infos go to the top
    cobCgi->setEditText(extra);
  }
  lvFileList->setFocus();
}

void FileListPage::btnSelectAllClick() {
  const int count = lvFileList->topLevelItemCount();
  if (count == 0) return;
  SelectVisibleRows(*lvFileList);
  const auto rows = Rows();
  std::int64_t total = definitionSize_;
  for (int i = 0; i < count; ++i)
    total += filelist::RowPartSize(partSizes_, rows, i, noDefinitionRow_);
  ShowSummary(count, total);
  lvFileList->setFocus();
  selectAllTag_ = 1;
}

void FileListPage::lvFileListSelectItem() {
  if (!active_) return;
  const auto rows = Rows();
  std::int64_t total = 0;
  const auto selected = SelectedRows();
  for (int row : selected) total += filelist::RowPartSize(partSizes_, rows, row, noDefinitionRow_);
  ShowSummary(static_cast<int>(selected.size()), total);
}

void FileListPage::ShowSummary(int selected, std::int64_t total) {
  const auto kb = static_cast<std::int64_t>(std::llround(static_cast<double>(total) / 1024.0));
  const QString grouped = ToQ(GroupThousands(kb, QLocale().groupSeparator().toStdString()));
  summary_->setText(QStringLiteral("選取數: %1/%2").arg(selected).arg(RowCount()) +
                    QStringLiteral("  ") + QStringLiteral("  選取大小: %1KB").arg(grouped));
}

QStringList FileListPage::FileNames() const {
  QStringList names;
  for (int i = 0; i < lvFileList->topLevelItemCount(); ++i)
    names << lvFileList->topLevelItem(i)->text(1);
  return names;
}

void FileListPage::btnAddClick() {
  TfrmFileListEditor editor(this, Addresses(), FileNames(), Extras());
  editor.exec();
  if (editor.Tag() == 1) {
    const auto selected = SelectedRows();
    const int at = selected.empty() ? lvFileList->topLevelItemCount() : selected.front() + 1;
    auto* item = new QTreeWidgetItem({editor.Address(), editor.FileName(), editor.Extra()});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    lvFileList->insertTopLevelItem(at, item);  // owned by the list
    SetHistories(editor.AddressHistory(), editor.ExtraHistory());
  }
  lvFileList->setFocus();
}

void FileListPage::btnEditClick() {
  const auto selected = SelectedRows();
  if (selected.empty()) {
    messages_.Error(this, QStringLiteral("請選擇要編輯的清單。(413)"));
    lvFileList->setFocus();
    return;
  }
  QTreeWidgetItem* item = lvFileList->topLevelItem(selected.front());
  TfrmFileListEditor editor(this, Addresses(), FileNames(), Extras());
  editor.SetTexts(item->text(0), item->text(1), item->text(2));
  editor.exec();
  if (editor.Tag() == 1) {
    item->setText(0, editor.Address());
    item->setText(1, editor.FileName());
    item->setText(2, editor.Extra());
    SetHistories(editor.AddressHistory(), editor.ExtraHistory());
  }
  lvFileList->setFocus();
}

void FileListPage::btnDeleteClick() {
  const auto selected = SelectedRows();
  if (selected.empty()) {
    messages_.Error(this, QStringLiteral("請選擇要刪除的清單。(414)"));
    return;
  }
  if (messages_.Question(this, QStringLiteral("您是否確定要刪除這(些)項目？")) != Answer::Yes)
    return;
  lvFileList->setUpdatesEnabled(false);
  for (auto it = selected.rbegin(); it != selected.rend(); ++it)
    delete lvFileList->takeTopLevelItem(*it);
  lvFileList->setUpdatesEnabled(true);
  lvFileListSelectItem();  // the row count changed
}

void FileListPage::btnSaveAsClick() {
  const auto rows = Rows();
  if (rows.empty()) {
    messages_.Error(this, QStringLiteral("沒有任何的檔案清單。"));
    lvFileList->setFocus();
    return;
  }
  for (const auto& row : rows) {
    if (row.address.empty() || row.fileName.empty()) {
      messages_.Error(this, QStringLiteral("位址或檔名欄位是空白的。"));
      return;
    }
  }
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
      messages_.Error(this,
                      ToQ(failure->text) +
                          (failure->detail.empty() ? QString() : "\n\n" + ToQ(failure->detail)));
    }
  }
  lvFileList->setFocus();
}

void FileListPage::miCopyClick() {
  if (lvFileList->topLevelItemCount() == 0) return;
  const auto rows = Rows();
  QString text;
  for (int row : ActingRows())
    text += ToQ(filelist::RowLine(rows[static_cast<size_t>(row)])) + QStringLiteral("\r\n");
  QGuiApplication::clipboard()->setText(text);
}

void FileListPage::PopupMenu1Popup() {
  const bool any = !SelectedRows().empty();
  for (const char* name : {"miEdit", "miDelete", "miCopy"}) {
    if (auto* action = PopupMenu1->findChild<QAction*>(QString::fromLatin1(name)))
      action->setEnabled(any);
  }
}

}  // namespace kivora::ui
