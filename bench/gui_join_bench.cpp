// Joins a set in the real main window on the offscreen platform, as a user would:
// definition in the join page, the output folder, a click on the join button; prints
// the seconds from the click until the window is idle again.
// Usage: kivora_gui_join_bench DEFINITION OUTPUT_FOLDER

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "ui/MainWindow.h"

namespace {

// Answers every question Yes and prints what a box would show.
class AnswerYes final : public kivora::ui::MessageLayer {
 public:
  kivora::Answer Show(QWidget*, const kivora::ui::BoxMessage& message) override {
    std::fprintf(stderr, "%s\n", qPrintable(message.text));
    return kivora::Answer::Yes;
  }
  std::optional<QString> AskText(QWidget*, const QString&, const QString&) override { return {}; }
  std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&) override {
    return {};
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                      const QString&) override {
    return {};
  }
  std::optional<std::pair<QString, int>> SaveListFileName(QWidget*, const QStringList&) override {
    return {};
  }
  std::optional<QString> SelectFolder(QWidget*, const QString&) override { return {}; }
};

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DEFINITION OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  // Settings and the file association go to a folder of their own.
  QTemporaryDir home;
  kivora::ui::WindowEnvironment env;
  env.settingsPath = home.path() + "/kivora.ini";
  env.pendants.programFolder = home.path().toStdString();
  env.association = {home.path() + "/data", home.path() + "/config"};
  env.programPath = home.path() + "/kivora";
  AnswerYes messages;
  kivora::ui::MainWindow window(messages, env);
  window.show();
  // Driven like a user: through the widgets, found by their names.
  auto* definition = window.findChild<QLineEdit*>(QStringLiteral("edtJointFileName"));
  auto* saveFolder = window.findChild<QComboBox*>(QStringLiteral("cobJointSaveAs"));
  auto* join = window.findChild<QPushButton*>(QStringLiteral("btnJoint"));
  if (!definition || !saveFolder || !join) return 1;
  definition->setText(QString::fromLocal8Bit(argv[1]));
  saveFolder->setCurrentText(QString::fromLocal8Bit(argv[2]));
  if (!join->isEnabled()) return 1;

  QElapsedTimer elapsed;
  elapsed.start();
  join->click();
  while (window.Busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  std::printf("%.3f\n", static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
  return 0;
}
