#include <QApplication>
#include <QTranslator>

#include "ui/MainWindow.h"
#include "ui/MessageLayer.h"
#include "ui/QtTranslation.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kivora"));
  QTranslator qtTexts;
  if (kivora::ui::LoadQtTranslation(qtTexts)) QApplication::installTranslator(&qtTexts);
  kivora::ui::QtMessageLayer messages;
  kivora::ui::MainWindow window(
      messages, kivora::ui::WindowEnvironment::FromProcess(QApplication::arguments()));
  QApplication::setFont(window.font());
  window.show();
  return QApplication::exec();
}
