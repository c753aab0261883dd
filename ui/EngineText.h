#pragma once
// The engines' texts (core, filelist, kvrpack's builder) in the window's language. They
// are not tr() texts: an EngineTranslator installed on the application answers them from
// the engines' English tables; without one they stay as the engine wrote them.

#include <QString>
#include <QTranslator>
#include <string_view>

#include "core/text/Translation.h"

namespace kivora::ui {

// `text` from an engine, as the window shows it.
QString EngineText(std::string_view text);

// Answers EngineText's look-ups, and nothing else, from a Translation.
class EngineTranslator : public QTranslator {
 public:
  explicit EngineTranslator(Translation translation) : translation_(std::move(translation)) {}

  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;

 private:
  Translation translation_;
};

}  // namespace kivora::ui
