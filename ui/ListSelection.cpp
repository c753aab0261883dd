#include "ui/ListSelection.h"

#include <QTreeWidget>
#include <algorithm>

namespace kivora::ui {

void SelectVisibleRows(QTreeWidget& list) {
  const int count = list.topLevelItemCount();
  if (count == 0) return;
  QTreeWidgetItem* top = list.itemAt(0, 0);
  const int first = top ? list.indexOfTopLevelItem(top) : 0;
  const int rowHeight = std::max(1, list.visualItemRect(list.topLevelItem(first)).height());
  const int fit = std::max(1, list.viewport()->height() / rowHeight);
  const int last = std::min(count, first + fit) - 1;
  list.setUpdatesEnabled(false);
  for (int i = first; i <= last; ++i) list.topLevelItem(i)->setSelected(true);
  list.setUpdatesEnabled(true);
}

}  // namespace kivora::ui
