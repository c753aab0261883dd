#pragma once
// The rows of the state list: one per file of the running or last operation, with its
// caption, state text and state image, found by key in constant time. Changes arrive in
// batches (one repaint's worth of an operation's events) and reach the view as one
// insertion and one change each, so an operation of any size costs the window O(files).

#include <QAbstractTableModel>
#include <QIcon>
#include <QList>
#include <QString>
#include <span>
#include <vector>

#include "ui/state/StateImages.h"

namespace kivora::ui {

class StateListModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  // A file's new state; a key without a row gets one, on top or at the bottom.
  struct RowUpdate {
    int key = 0;
    QString caption;
    QString state;
    StateImage image = StateImage::Listed;
    bool onTop = false;
  };

  explicit StateListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void Apply(std::span<const RowUpdate> updates);
  void Clear();

  // -1 when no row has the key.
  int PositionOf(int key) const;
  int KeyAt(int position) const { return rows_[static_cast<std::size_t>(position)].key; }
  const QString& Caption(int position) const { return rows_[Index(position)].caption; }
  const QString& State(int position) const { return rows_[Index(position)].state; }
  StateImage Image(int position) const { return rows_[Index(position)].image; }

  // Both sorts are stable: rows that compare equal keep their order. By a column's text,
  // locale-aware and case-sensitive:
  void SortByText(int column, bool descending);
  // Missing, corrupt and mismatched files first, then fixable ones, then the rest.
  void SortProblemsFirst();

 private:
  struct Row {
    int key;
    QString caption;
    QString state;
    StateImage image;
  };
  static std::size_t Index(int position) { return static_cast<std::size_t>(position); }
  void InsertRows(int position, std::vector<Row> rows);
  // Reorders the rows by order (new position -> old position), keeping the view's
  // selection and current row on the same files.
  void Reorder(const std::vector<int>& order);
  void IndexKeys(int from);
  void IndexKey(int key, int position);

  QList<QIcon> images_;
  std::vector<Row> rows_;
  std::vector<int> positionOfKey_;  // by key; -1 for none
};

}  // namespace kivora::ui
