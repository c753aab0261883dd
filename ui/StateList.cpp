#include "ui/StateList.h"

#include <QCollator>
#include <QHeaderView>
#include <algorithm>

#include "ui/ListSelection.h"
#include "ui/StateImages.h"

namespace kivora::ui {
namespace {
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kKeyRole = Qt::UserRole + 2;
}  // namespace

StateList::StateList(QWidget* parent) : QTreeWidget(parent), images_(StateImageList()) {
  setObjectName(QStringLiteral("lvStateList"));
  setColumnCount(2);
  setHeaderLabels({tr("檔名"), tr("狀態")});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setIconSize(QSize(16, 16));
  header()->setSectionsClickable(true);
  header()->resizeSection(0, 112);
  header()->resizeSection(1, 48);
}

int StateList::AddRow(const QString& caption, const QString& state, StateImage image) {
  const int key = nextKey_;
  InsertRow(topLevelItemCount(), caption, state, image);
  return key;
}

void StateList::InsertRow(int position, const QString& caption, const QString& state,
                          StateImage image) {
  InsertRowWithKey(position, nextKey_, caption, state, image);
}

void StateList::InsertRowWithKey(int position, int key, const QString& caption,
                                 const QString& state, StateImage image) {
  auto* item = new QTreeWidgetItem({caption, state});  // owned by the list once inserted
  item->setData(0, kKeyRole, key);
  nextKey_ = std::max(nextKey_, key + 1);
  insertTopLevelItem(position, item);
  item->setIcon(0, images_.value(static_cast<int>(image)));
  item->setData(0, kImageRole, static_cast<int>(image));
}

QTreeWidgetItem* StateList::ItemWithKey(int key) const {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    if (topLevelItem(i)->data(0, kKeyRole).toInt() == key) return topLevelItem(i);
  }
  return nullptr;
}

void StateList::SetRow(int key, const QString& state, StateImage image) {
  QTreeWidgetItem* item = ItemWithKey(key);
  if (!item) return;
  item->setText(1, state);
  item->setIcon(0, images_.value(static_cast<int>(image)));
  item->setData(0, kImageRole, static_cast<int>(image));
}

void StateList::ShowRow(int key, const QString& caption, const QString& state, StateImage image,
                        bool onTop) {
  if (key < nextKey_ && ItemWithKey(key)) {  // keys below nextKey_ only
    SetRow(key, state, image);
  } else {
    InsertRowWithKey(onTop ? 0 : topLevelItemCount(), key, caption, state, image);
  }
}

int StateList::KeyOf(const FileRole& role) {
  if (role.kind == FileRole::Kind::Part) return role.number;
  return otherKeys_.try_emplace(role, nextKey_).first->second;
}

void StateList::ScrollTo(int key) {
  if (QTreeWidgetItem* item = ItemWithKey(key)) scrollToItem(item);
}

void StateList::ClearRows() {
  setUpdatesEnabled(false);
  clear();
  nextKey_ = 0;
  otherKeys_.clear();
  setUpdatesEnabled(true);
}

std::vector<int> StateList::SelectedKeys() const {
  std::vector<int> keys;
  for (const QTreeWidgetItem* item : selectedItems())
    keys.push_back(item->data(0, kKeyRole).toInt());
  std::sort(keys.begin(), keys.end());
  return keys;
}

void StateList::SelectVisibleRows() { kivora::ui::SelectVisibleRows(*this); }

QString StateList::Caption(int index) const {
  const QTreeWidgetItem* item = topLevelItem(index);
  return item ? item->text(0) : QString();
}

QString StateList::State(int index) const {
  const QTreeWidgetItem* item = topLevelItem(index);
  return item ? item->text(1) : QString();
}

StateImage StateList::Image(int index) const {
  const QTreeWidgetItem* item = topLevelItem(index);
  return item ? static_cast<StateImage>(item->data(0, kImageRole).toInt()) : StateImage::Listed;
}

void StateList::SortByColumn(int column, bool descending) {
  QList<QTreeWidgetItem*> items;
  while (topLevelItemCount() > 0) items.append(takeTopLevelItem(0));
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseSensitive);
  std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    const int c = collator.compare(a->text(column), b->text(column));
    return descending ? c > 0 : c < 0;
  });
  addTopLevelItems(items);
}

}  // namespace kivora::ui
