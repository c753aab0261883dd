#include <QApplication>

#include "core/Language.h"
#include "ui/MainWindow.h"
#include "ui/MessageLayer.h"
#include "ui/QtTranslation.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kivora"));
  const kivora::ui::WindowTranslation language(
      kivora::LanguageOfProcess(), QStringLiteral("kivora"), kivora::ui::WindowEnglish());
  kivora::ui::QtMessageLayer messages;
  kivora::ui::MainWindow window(
      messages, kivora::ui::WindowEnvironment::FromProcess(QApplication::arguments()));
  QApplication::setFont(window.font());
  window.show();
  return QApplication::exec();
}
