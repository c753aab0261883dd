#pragma once
// The folder picker shared by the three save-folder buttons.

#include <QString>

class QWidget;

namespace kivora::ui {

// Shows the folder dialog starting at path (nothing preselected when it is empty).
// True and the chosen folder in path on confirmation; false and path unchanged on Cancel.
bool SelectFolder(QWidget* parent, QString& path);

}  // namespace kivora::ui
