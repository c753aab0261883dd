#include "ui/pages/PageServices.h"

#include <QCoreApplication>

namespace kivora::ui {

QString DefinitionFilter() {
  return QCoreApplication::translate("kivora::ui::PageServices",
                                     "KivoRa 檔案 (*.kvr *_kvr.*);;所有檔案 (*)");
}

}  // namespace kivora::ui
