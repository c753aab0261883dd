#pragma once
// The state list beside the split, re-split and join pages: one row per file of the
// running or last operation, with its state text and state image.

#include <QIcon>
#include <QList>
#include <QTreeWidget>

#include "Ui.h"

namespace kivora::ui {

class StateList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit StateList(QWidget* parent = nullptr);

  int AddRow(const QString& caption, const QString& state, StateImage image);
  void InsertRow(int index, const QString& caption, const QString& state, StateImage image);
  void SetRow(int index, const QString& state, StateImage image);
  void ScrollTo(int index);
  // Sorts by one column's text, locale-aware and case-sensitive; equal texts keep
  // their order.
  void SortByColumn(int column, bool descending);
  int RowCount() const { return topLevelItemCount(); }
  QString Caption(int index) const;
  QString State(int index) const;
  StateImage Image(int index) const;

 private:
  QList<QIcon> images_;
};

}  // namespace kivora::ui
