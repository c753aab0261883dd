// kvrpack: the pendant plug-in builder. With --build it works without a window.
#include <QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "core/text/Language.h"
#include "kvrpack/CommandLine.h"
#include "kvrpack/PluginBuilderWindow.h"
#include "language/QtTranslation.h"

int main(int argc, char** argv) {
  const kivora::Language language = kivora::LanguageOfProcess();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (kvrpack::WantsCommandLine(args)) {
    return kvrpack::RunCommandLine(args, std::cout, std::cerr, language);
  }

  QApplication app(argc, argv);
  // The desktop entry's name: the desktop shows the window with its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("kvrpack"));
  const kivora::ui::WindowTranslation texts(language, QStringLiteral("kvrpack"));
  kvrpack::PluginBuilderWindow window(QCoreApplication::applicationDirPath().toStdString(),
                                      language);
  window.show();
  return app.exec();
}
