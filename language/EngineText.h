#pragma once
// The engines' texts (core, filelist, kvrpack's builder) as a window shows them, in the
// window's language.

#include <QString>

#include "core/text/Language.h"
#include "core/text/MessageText.h"

namespace kivora::ui {

// `text` from an engine in `language`.
QString EngineText(const MessageText& text, Language language);

}  // namespace kivora::ui
