#pragma once
// The language of a window program: Qt's own texts (standard buttons, file and folder
// dialogs) and the program's tr() texts. The program's own language is Traditional
// Chinese; its English is compiled into the program. The engines' texts are put into
// the window's language where it shows them (EngineText).

#include <QString>
#include <QTranslator>

#include "core/text/Language.h"

namespace kivora::ui {

// Loads Qt's Traditional Chinese translation from Qt's translations folder into
// `translator`; false when it is not installed (Qt's texts then stay in English).
bool LoadQtTranslation(QTranslator& translator);

// Installs the translators of one language on the application for its lifetime.
class WindowTranslation {
 public:
  // Chinese: Qt's Traditional Chinese translation from Qt's translations folder.
  // English: the program's English, `catalog` + "_en.qm" in the resources' /i18n folder
  // (e.g. "kivora" for ":/i18n/kivora_en.qm").
  WindowTranslation(Language language, const QString& catalog);
  ~WindowTranslation();
  WindowTranslation(const WindowTranslation&) = delete;
  WindowTranslation& operator=(const WindowTranslation&) = delete;

  // False when a translation it needs could not be loaded (Qt's Chinese texts are not
  // installed); those texts then stay in their source language.
  bool Complete() const { return complete_; }

 private:
  QTranslator qt_;
  QTranslator program_;
  std::vector<QTranslator*> installed_;
  bool complete_ = true;
};

}  // namespace kivora::ui
