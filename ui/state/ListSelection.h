#pragma once
// Selecting the rows of a list that are visible on screen (the select-all of the
// resplit page and of the file list: the flag stands for the rows out of view).

class QTreeView;

namespace kivora::ui {

void SelectVisibleRows(QTreeView& list);

}  // namespace kivora::ui
