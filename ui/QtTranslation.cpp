#include "ui/QtTranslation.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace kivora::ui {

bool LoadQtTranslation(QTranslator& translator) {
  return translator.load(QStringLiteral("qtbase_zh_TW"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace kivora::ui
