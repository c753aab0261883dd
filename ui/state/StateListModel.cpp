#include "ui/state/StateListModel.h"

#include <QCollator>
#include <QCoreApplication>
#include <algorithm>
#include <numeric>

namespace kivora::ui {

StateListModel::StateListModel(QObject* parent)
    : QAbstractTableModel(parent), images_(StateImageList()) {}

int StateListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int StateListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant StateListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Row& row = rows_[Index(index.row())];
  if (role == Qt::DisplayRole) return index.column() == 0 ? row.caption : row.state;
  if (role == Qt::DecorationRole && index.column() == 0)
    return images_.value(static_cast<int>(row.image));
  return {};
}

QVariant StateListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == 0 ? QCoreApplication::translate("kivora::ui::StateList", "檔名")
                      : QCoreApplication::translate("kivora::ui::StateList", "狀態");
}

int StateListModel::PositionOf(int key) const {
  if (key < 0 || key >= static_cast<int>(positionOfKey_.size())) return -1;
  return positionOfKey_[static_cast<std::size_t>(key)];
}

void StateListModel::IndexKey(int key, int position) {
  if (key >= static_cast<int>(positionOfKey_.size()))
    positionOfKey_.resize(static_cast<std::size_t>(key) + 1, -1);
  positionOfKey_[static_cast<std::size_t>(key)] = position;
}

void StateListModel::IndexKeys(int from) {
  for (int i = from; i < rowCount(); ++i) IndexKey(rows_[Index(i)].key, i);
}

void StateListModel::InsertRows(int position, std::vector<Row> rows) {
  if (rows.empty()) return;
  const int count = static_cast<int>(rows.size());
  beginInsertRows({}, position, position + count - 1);
  rows_.insert(rows_.begin() + position, std::make_move_iterator(rows.begin()),
               std::make_move_iterator(rows.end()));
  IndexKeys(position);
  endInsertRows();
}

void StateListModel::Apply(std::span<const RowUpdate> updates) {
  // Rows of keys seen for the first time wait in `added` and go in as one insertion;
  // changes of rows already shown become one change of the range they span.
  std::vector<Row> added;
  std::vector<int> addedPosition;  // by key, while in `added`
  int firstChanged = rowCount();
  int lastChanged = -1;
  for (const RowUpdate& update : updates) {
    if (update.key < 0) continue;
    const auto k = static_cast<std::size_t>(update.key);
    if (k < addedPosition.size() && addedPosition[k] >= 0) {
      Row& row = added[static_cast<std::size_t>(addedPosition[k])];
      row.state = update.state;
      row.image = update.image;
    } else if (const int position = PositionOf(update.key); position >= 0) {
      Row& row = rows_[Index(position)];
      row.state = update.state;
      row.image = update.image;
      firstChanged = std::min(firstChanged, position);
      lastChanged = std::max(lastChanged, position);
    } else if (update.onTop) {
      // Rare (a split's definition): what waits goes in first, so positions stay valid.
      InsertRows(rowCount(), std::exchange(added, {}));
      addedPosition.clear();
      if (lastChanged >= 0) ++firstChanged, ++lastChanged;
      InsertRows(0, {{update.key, update.caption, update.state, update.image}});
    } else {
      if (k >= addedPosition.size()) addedPosition.resize(k + 1, -1);
      addedPosition[k] = static_cast<int>(added.size());
      added.push_back({update.key, update.caption, update.state, update.image});
    }
  }
  if (lastChanged >= 0) emit dataChanged(index(firstChanged, 0), index(lastChanged, 1));
  InsertRows(rowCount(), std::move(added));
}

void StateListModel::Clear() {
  beginResetModel();
  rows_.clear();
  positionOfKey_.clear();
  endResetModel();
}

void StateListModel::Reorder(const std::vector<int>& order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> newPosition(order.size());
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    newPosition[Index(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[Index(order[i])]));
  }
  rows_ = std::move(sorted);
  IndexKeys(0);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before)
    after.append(this->index(newPosition[Index(index.row())], index.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void StateListModel::SortByText(int column, bool descending) {
  // One collation key per row: comparing keys is far cheaper than collating twice per
  // comparison.
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseSensitive);
  std::vector<QCollatorSortKey> keys;
  keys.reserve(rows_.size());
  for (const Row& row : rows_)
    keys.push_back(collator.sortKey(column == 0 ? row.caption : row.state));
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int c = keys[Index(a)].compare(keys[Index(b)]);
    return descending ? c > 0 : c < 0;
  });
  Reorder(order);
}

void StateListModel::SortProblemsFirst() {
  const auto rank = [this](int position) {
    switch (rows_[Index(position)].image) {
      case StateImage::Failed:
        return 0;
      case StateImage::Fixable:
        return 1;
      default:
        return 2;
    }
  };
  std::vector<int> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) < rank(b); });
  Reorder(order);
}

}  // namespace kivora::ui
