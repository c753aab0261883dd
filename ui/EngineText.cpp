#include "ui/EngineText.h"

#include <QCoreApplication>
#include <cstring>
#include <string>

namespace kivora::ui {
namespace {

// The translation context of the engines' texts; no tr() text uses it.
constexpr char kEngineContext[] = "kivora::engine";

}  // namespace

QString EngineText(std::string_view text) {
  const std::string source(text);
  return QCoreApplication::translate(kEngineContext, source.c_str());
}

QString EngineTranslator::translate(const char* context, const char* sourceText, const char*,
                                    int) const {
  if (context == nullptr || sourceText == nullptr || std::strcmp(context, kEngineContext) != 0) {
    return {};
  }
  return QString::fromStdString(translation_(sourceText));
}

}  // namespace kivora::ui
