#include <QApplication>
#include <iostream>
#include <string_view>

#include "core/text/Language.h"
#include "language/QtTranslation.h"
#include "platform/Version.h"
#include "ui/engine/MessageLayer.h"
#include "ui/window/MainWindow.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: kivora [FILE.kvr]\n"
    "Opens the window; a join definition (.kvr) given as FILE opens on the join page.\n"
    "  --version  Print the version and exit\n"
    "  --help     Print this help and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered without a window, so that they work without a display too.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << "kivora " << kivora::kVersion << '\n';
    return 0;
  }
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kivora"));
  QApplication::setApplicationVersion(QString::fromLatin1(kivora::kVersion));
  // The desktop entry's name: the desktop shows the window with its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("kivora"));
  const kivora::ui::WindowTranslation language(kivora::LanguageOfProcess(),
                                               QStringLiteral("kivora"));
  kivora::ui::QtMessageLayer messages;
  kivora::ui::MainWindow window(
      messages, kivora::ui::WindowEnvironment::FromProcess(QApplication::arguments()));
  QApplication::setFont(window.font());
  window.show();
  return QApplication::exec();
}
