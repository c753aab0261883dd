// Renders the window's pages and dialogs, and kvrpack's window, to PNG files, for the
// README and for review:
//   QT_QPA_PLATFORM=offscreen kivora-screenshots OUTPUT_FOLDER [zh|en]
// Traditional Chinese by default; with "en" in English, each file named NAME-en.png.
// It works on a scratch folder of its own: a small set is split so the pages show data.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTranslator>
#include <memory>

#include "kvrpack/PluginBuilderWindow.h"
#include "language/QtTranslation.h"
#include "ui/engine/MessageLayer.h"
#include "ui/pages/DisguiseOptionsDialog.h"
#include "ui/pages/FileListEditor.h"
#include "ui/pages/JoinPage.h"
#include "ui/pages/ResplitPage.h"
#include "ui/pages/SendDialog.h"
#include "ui/pages/SplitPage.h"
#include "ui/window/MainWindow.h"

namespace {

// Answers every question with Yes and shows nothing.
class SilentMessages : public kivora::ui::MessageLayer {
 public:
  kivora::Answer Show(QWidget*, const kivora::ui::BoxMessage&) override {
    return kivora::Answer::Yes;
  }
  std::optional<QString> AskText(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&,
                                      const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> SelectFolder(QWidget*, const QString&) override { return std::nullopt; }
  std::optional<std::pair<QString, int>> SaveListFileName(QWidget*, const QStringList&) override {
    return std::nullopt;
  }
};

// Operations run on a thread of their own: the pictures show them finished.
void WaitUntilIdle(const kivora::ui::MainWindow& window) {
  while (window.Busy()) QApplication::processEvents(QEventLoop::AllEvents, 20);
  QApplication::processEvents();
}

bool Save(QWidget& widget, const QString& path) {
  widget.show();
  QApplication::processEvents();
  const bool ok = widget.grab().save(path);
  QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << '\n';
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
  const bool english = argc > 2 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("en");
  const kivora::Language language = english ? kivora::Language::English : kivora::Language::Chinese;
  const kivora::ui::WindowTranslation texts(language, QStringLiteral("kivora"));
  QDir().mkpath(folder);
  // NAME.png, or NAME-en.png in English.
  const auto out = [&](const char* name) {
    return folder + '/' + QString::fromLatin1(name) +
           (english ? QStringLiteral("-en.png") : QStringLiteral(".png"));
  };
  QTemporaryDir scratch;

  // A small source to split, so the state list shows parts.
  const QString source = scratch.path() + "/holiday2026.avi";
  QFile file(source);
  file.open(QIODevice::WriteOnly);
  file.write(QByteArray(1500 * 1024, 'k'));
  file.close();

  SilentMessages messages;
  auto env = kivora::ui::WindowEnvironment::FromProcess({});
  env.settingsPath = scratch.path() + "/kivora.ini";
  env.association = {scratch.path() + "/data", scratch.path() + "/config"};
  env.language = language;
  kivora::ui::MainWindow window(messages, env);
  QApplication::setFont(window.font());
  auto& split = window.splitPage();
  split.SetSeed(1);
  split.SetSource(source);
  window.findChild<QLineEdit*>(QStringLiteral("edtComment"))
      ->setText(english ? QStringLiteral("Summer trip 2026") : QStringLiteral("2026 年夏天的旅行"));
  split.StartSplit();
  WaitUntilIdle(window);

  bool ok = Save(window, out("split-page"));
  const QString definition = scratch.path() + "/holiday2026.kvr";
  auto* pages = window.findChild<QTabWidget*>(QStringLiteral("pcDevideJoint"));
  pages->setCurrentIndex(1);
  window.resplitPage().DropFile(definition, true);
  window.resplitPage().DropFile(source, false);
  ok = Save(window, out("resplit-page")) && ok;
  pages->setCurrentIndex(2);
  window.joinPage().SetDefinition(definition);
  window.joinPage().Test();
  WaitUntilIdle(window);
  ok = Save(window, out("join-page")) && ok;
  window.findChild<QTabWidget*>(QStringLiteral("pcKivora"))->setCurrentIndex(1);
  ok = Save(window, out("file-list-page")) && ok;

  kivora::ui::DisguiseOptionsDialog options(nullptr, messages, env.pendants.pluginFolders);
  options.setFont(window.font());
  options.Fill(QStringLiteral("password"), false, true, QString());
  ok = Save(options, out("options-dialog")) && ok;
  kivora::ui::DisguiseOptionsDialog resplit(nullptr, messages, env.pendants.pluginFolders);
  resplit.setFont(window.font());
  resplit.SetResplitMode();
  ok = Save(resplit, out("options-dialog-resplit")) && ok;
  kivora::ui::FileListEditor editor(nullptr, QStringList{QStringLiteral("http://example.com/up/")},
                                    {}, {});
  editor.setFont(window.font());
  ok = Save(editor, out("file-list-editor")) && ok;
  kivora::ui::SendDialog send(nullptr, messages, language,
                              {{QStringLiteral("https://example.com/sets/"),
                                QStringLiteral("sftp://example.net/srv/sets/")},
                               false,
                               QStringLiteral("100M"),
                               definition});
  send.setFont(window.font());
  ok = Save(send, out("send-dialog")) && ok;

  const kivora::ui::WindowTranslation kvrpackTexts(language, QStringLiteral("kvrpack"));
  kvrpack::PluginBuilderWindow builder(scratch.path().toStdString(), language);
  ok = Save(builder, out("kvrpack-window")) && ok;
  return ok ? 0 : 1;
}
