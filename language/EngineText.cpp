#include "language/EngineText.h"

namespace kivora::ui {

QString EngineText(const MessageText& text, Language language) {
  return QString::fromStdString(text.In(language));
}

}  // namespace kivora::ui
