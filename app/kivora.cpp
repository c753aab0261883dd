#include <QApplication>

#include "MainWindow.h"
#include "MessageLayer.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kivora"));
  kivora::ui::QtMessageLayer messages;
  kivora::ui::TfrmKivora window(messages,
                                kivora::ui::WindowEnvironment::FromProcess(QApplication::arguments()));
  QApplication::setFont(window.font());
  window.show();
  return QApplication::exec();
}
