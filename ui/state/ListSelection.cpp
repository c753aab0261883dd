#include "ui/state/ListSelection.h"

#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

namespace kivora::ui {

void SelectVisibleRows(QTreeView& list) {
  const QAbstractItemModel* model = list.model();
  const int count = model ? model->rowCount() : 0;
  if (count == 0) return;
  const QModelIndex top = list.indexAt(QPoint(0, 0));
  const int first = top.isValid() ? top.row() : 0;
  const int rowHeight = std::max(1, list.visualRect(model->index(first, 0)).height());
  const int fit = std::max(1, list.viewport()->height() / rowHeight);
  const int last = std::min(count, first + fit) - 1;
  // One selection range: selecting row by row costs a signal per row.
  list.selectionModel()->select(
      QItemSelection(model->index(first, 0), model->index(last, model->columnCount() - 1)),
      QItemSelectionModel::Select);
}

}  // namespace kivora::ui
