#pragma once
// The state list beside the split, resplit and join pages: one row per file of the
// running or last operation, with its state text and state image.

#include <QIcon>
#include <QList>
#include <QTreeWidget>
#include <map>
#include <vector>

#include "core/OperationEvents.h"
#include "ui/StateImages.h"

namespace kivora::ui {

class StateList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit StateList(QWidget* parent = nullptr);

  // Rows are addressed by their key: the order in which they were added since the list
  // was last cleared (so the n-th part's row stays the n-th after a sort).
  int AddRow(const QString& caption, const QString& state, StateImage image);
  void InsertRow(int position, const QString& caption, const QString& state, StateImage image);
  void SetRow(int key, const QString& state, StateImage image);
  // Sets the state of the row with that key, or adds the row with that key (on top, or
  // at the bottom) when there is none.
  void ShowRow(int key, const QString& caption, const QString& state, StateImage image, bool onTop);
  // The key of a file's row: a part's is its index in the set; the definition and each
  // recovery part take the next free key when they first come, so their rows follow the
  // parts in the order the operation reports them.
  int KeyOf(const FileRole& role);
  void ScrollTo(int key);
  void ClearRows();
  // Keys of the selected rows, increasing.
  std::vector<int> SelectedKeys() const;
  // Selects the rows that are visible (the select-all of the resplit page).
  void SelectVisibleRows();
  // Sorts by one column's text, locale-aware and case-sensitive; equal texts keep
  // their order.
  void SortByColumn(int column, bool descending);
  int RowCount() const { return topLevelItemCount(); }
  // By position, top to bottom.
  QString Caption(int position) const;
  QString State(int position) const;
  StateImage Image(int position) const;

 private:
  QTreeWidgetItem* ItemWithKey(int key) const;
  void InsertRowWithKey(int position, int key, const QString& caption, const QString& state,
                        StateImage image);

  QList<QIcon> images_;
  int nextKey_ = 0;
  std::map<FileRole, int> otherKeys_;  // the definition's and the recovery parts' keys
};

}  // namespace kivora::ui
