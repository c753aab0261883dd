#include "ui/BrowseFolder.h"

#include <QFileDialog>

namespace kivora::ui {

bool SelectFolder(QWidget* parent, QString& path) {
  const QString chosen = QFileDialog::getExistingDirectory(
      parent, QString::fromUtf8(kSelectFolderTitle), path, QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

}  // namespace kivora::ui
