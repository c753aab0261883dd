#pragma once
// Qt's own texts (standard buttons, file and folder dialogs) in Traditional Chinese,
// like the rest of the window.

class QTranslator;

namespace kivora::ui {

// Loads Qt's Traditional Chinese translation from Qt's translations folder into
// `translator`; false when it is not installed (the texts then stay in English).
bool LoadQtTranslation(QTranslator& translator);

}  // namespace kivora::ui
