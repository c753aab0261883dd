#include "language/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace kivora::ui {

bool LoadQtTranslation(QTranslator& translator) {
  return translator.load(QStringLiteral("qtbase_zh_TW"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

WindowTranslation::WindowTranslation(Language language, const QString& catalog) {
  if (language == Language::Chinese) {
    complete_ = LoadQtTranslation(qt_);
    if (complete_) installed_.push_back(&qt_);
  } else {
    // Qt's own texts are English already.
    complete_ = program_.load(catalog + QStringLiteral("_en"), QStringLiteral(":/i18n"));
    if (complete_) installed_.push_back(&program_);
  }
  for (QTranslator* translator : installed_) QCoreApplication::installTranslator(translator);
}

WindowTranslation::~WindowTranslation() {
  for (QTranslator* translator : installed_) QCoreApplication::removeTranslator(translator);
}

}  // namespace kivora::ui
