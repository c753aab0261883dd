// Runs one operation in the real main window on the offscreen platform, as a user would:
// fields filled in, a click on the operation's button, every question answered. Prints
// three figures on one line: the seconds from the click until the window is idle again,
// the longest time in milliseconds the window's event loop went without running (the
// window cannot repaint more often than that allows), and, with --abort-after, the
// milliseconds from the click on 放棄 until the window was idle (else 0).
// Usage: kivora_gui_bench [--abort-after SECONDS] split SOURCE FOLDER PART_KB
//        kivora_gui_bench [--abort-after SECONDS] test|repair DEFINITION
//        kivora_gui_bench [--abort-after SECONDS] join DEFINITION FOLDER
//        kivora_gui_bench [--abort-after SECONDS] resplit DEFINITION SOURCE

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "ui/window/MainWindow.h"

namespace {

// Answers every question with one answer and prints what a box would show.
class FixedAnswers final : public kivora::ui::MessageLayer {
 public:
  explicit FixedAnswers(kivora::Answer answer) : answer_(answer) {}
  kivora::Answer Show(QWidget*, const kivora::ui::BoxMessage& message) override {
    std::fprintf(stderr, "%s\n", qPrintable(message.text));
    return answer_;
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

 private:
  kivora::Answer answer_;
};

template <typename T>
T* Find(QWidget& window, const char* name) {
  T* widget = window.findChild<T*>(QString::fromLatin1(name));
  if (!widget) {
    std::fprintf(stderr, "no widget %s\n", name);
    std::exit(1);
  }
  return widget;
}

struct Run {
  const char* start = nullptr;  // the operation's button
  const char* abort = nullptr;  // its 放棄 button
};

// Fills in the page of the operation and names its buttons.
Run Prepare(QWidget& window, const QString& operation, const QStringList& args) {
  auto* pages = Find<QTabWidget>(window, "pcDevideJoint");
  const auto need = [&](int count) {
    if (args.size() != count) {
      std::fprintf(stderr, "wrong arguments for %s\n", qPrintable(operation));
      std::exit(2);
    }
  };
  if (operation == "split") {
    need(3);
    pages->setCurrentIndex(0);
    Find<QLineEdit>(window, "edtDevideFileName")->setText(args[0]);
    Find<QLineEdit>(window, "edtDevideName")->setText(QFileInfo(args[0]).completeBaseName());
    Find<QComboBox>(window, "cobDevideSaveAs")->setCurrentText(args[1]);
    Find<QLineEdit>(window, "edtFileSize")->setText(args[2]);
    Find<QCheckBox>(window, "cbRandomSize")->setChecked(false);
    return {"btnDevide", "btnAbortDevide"};
  }
  if (operation == "resplit") {
    need(2);
    pages->setCurrentIndex(1);
    Find<QLineEdit>(window, "edtKvrFileName")->setText(args[0]);
    Find<QLineEdit>(window, "edtRedevideFileName")->setText(args[1]);
    Find<QPushButton>(window, "btnRedevideAll")->click();
    return {"btnRedevide", "btnRedevideAbort"};
  }
  need(operation == "join" ? 2 : 1);
  pages->setCurrentIndex(2);
  Find<QLineEdit>(window, "edtJointFileName")->setText(args[0]);
  if (operation == "join") Find<QComboBox>(window, "cobJointSaveAs")->setCurrentText(args[1]);
  return {operation == "join" ? "btnJoint" : "btnTest", "btnJointAbort"};
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  double abortAfter = -1;
  if (args.size() >= 2 && args[0] == "--abort-after") {
    abortAfter = args[1].toDouble();
    args = args.mid(2);
  }
  if (args.isEmpty()) {
    std::fprintf(stderr, "usage: see the head of bench/gui_bench.cpp\n");
    return 2;
  }
  const QString operation = args.takeFirst();
  // Settings and the file association go to a folder of their own.
  QTemporaryDir home;
  kivora::ui::WindowEnvironment env;
  env.settingsPath = home.path() + "/kivora.ini";
  env.pendants.programFolder = home.path().toStdString();
  env.association = {home.path() + "/data", home.path() + "/config"};
  env.programPath = home.path() + "/kivora";
  // A test answers No to "join now?"; a repair is the test's offer, answered Yes.
  FixedAnswers messages(operation == "test" ? kivora::Answer::No : kivora::Answer::Yes);
  kivora::ui::MainWindow window(messages, env);
  window.show();
  const Run run = Prepare(window, operation == "repair" ? QStringLiteral("test") : operation, args);
  auto* start = Find<QPushButton>(window, run.start);
  if (!start->isEnabled()) return 1;

  // A timer that should fire every 5 ms measures how long the event loop stalls.
  QElapsedTimer elapsed;
  qint64 lastTick = 0;
  qint64 longestStall = 0;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = elapsed.nsecsElapsed();
    longestStall = std::max(longestStall, now - lastTick);
    lastTick = now;
  });
  qint64 abortPressed = -1;
  if (abortAfter >= 0) {
    QTimer::singleShot(static_cast<int>(abortAfter * 1000), [&] {
      abortPressed = elapsed.nsecsElapsed();
      Find<QPushButton>(window, run.abort)->click();
    });
  }
  elapsed.start();
  ticker.start();
  start->click();
  while (window.Busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const qint64 done = elapsed.nsecsElapsed();
  std::printf("%.3f %.0f %.0f\n", static_cast<double>(done) / 1e9,
              static_cast<double>(longestStall) / 1e6,
              abortPressed >= 0 ? static_cast<double>(done - abortPressed) / 1e6 : 0.0);
  return 0;
}
