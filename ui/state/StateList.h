#pragma once
// The state list beside the split, resplit and join pages: one row per file of the
// running or last operation, with its state text and state image. A view of a
// StateListModel, which finds a file's row by key in constant time.

#include <QStringList>
#include <QTreeView>
#include <map>
#include <span>
#include <vector>

#include "core/OperationEvents.h"
#include "ui/state/StateImages.h"
#include "ui/state/StateListModel.h"

namespace kivora::ui {

class StateList : public QTreeView {
  Q_OBJECT
 public:
  using RowUpdate = StateListModel::RowUpdate;

  explicit StateList(QWidget* parent = nullptr);

  // Every state text the list may show: the state column is as wide as the widest.
  void SetStateTexts(const QStringList& texts);

  // Rows are addressed by their key: the order in which they were added since the list
  // was last cleared (so the n-th part's row stays the n-th after a sort).
  int AddRow(const QString& caption, const QString& state, StateImage image);
  // Sets the states of the rows with those keys, adding the rows of new keys (on top, or
  // at the bottom).
  void ShowRows(std::span<const RowUpdate> updates);
  void ShowRow(int key, const QString& caption, const QString& state, StateImage image, bool onTop);
  // The key of a file's row: a part's is its index in the set; the definition and each
  // recovery part take the next free key when they first come, so their rows follow the
  // parts in the order the operation reports them.
  int KeyOf(const FileRole& role);
  void ScrollTo(int key);
  // The rows whose state is `from` show `to` and `image` instead.
  void ShowStateInstead(const QString& from, const QString& to, StateImage image);
  void ClearRows();
  // What the list shows, to show it again later: its rows in their order, the keys
  // handed out, and the selected rows.
  struct Content {
    std::vector<RowUpdate> rows;
    std::map<FileRole, int> otherKeys;
    int nextKey = 0;
    int captionWidth = 0;
    std::vector<int> selected;  // keys
  };
  Content SavedContent() const;
  void Restore(const Content& content);
  // Keys of the selected rows, increasing.
  std::vector<int> SelectedKeys() const;
  // Selects the rows that are visible (the select-all of the resplit page).
  void SelectVisibleRows();
  // Sorts by one column's text, locale-aware and case-sensitive; equal texts keep
  // their order.
  void SortByColumn(int column, bool descending);
  // Missing, corrupt and mismatched files on top, then fixable ones; the rest keep their
  // order below them.
  void SortProblemsFirst();
  int RowCount() const { return model_.rowCount(); }
  // By position, top to bottom.
  QString Caption(int position) const;
  QString State(int position) const;
  StateImage Image(int position) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool Has(int position) const { return position >= 0 && position < RowCount(); }
  // The state column fits its widest text; the name column takes the rest, or more
  // (with a scroll bar) when a name needs it.
  void FitColumns();

  StateListModel model_;
  std::map<FileRole, int> otherKeys_;  // the definition's and the recovery parts' keys
  int nextKey_ = 0;                    // above every key handed out
  QStringList stateTexts_;
  int captionWidth_ = 0;  // of the widest name listed, with its image
};

}  // namespace kivora::ui
