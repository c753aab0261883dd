#include "ui/engine/BrowseFolder.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace kivora::ui {

bool SelectFolder(QWidget* parent, QString& path) {
  const QString chosen = QFileDialog::getExistingDirectory(
      parent, QCoreApplication::translate("kivora::ui::BrowseFolder", "請選擇一個資料夾... "), path,
      QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

}  // namespace kivora::ui
