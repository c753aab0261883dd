// The main window driven by widget names on the offscreen platform.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <sstream>
#include <utility>

#include "app/cli/Cli.h"
#include "core/format/DefinitionReader.h"
#include "core/text/Messages.h"
#include "language/QtTranslation.h"
#include "tests/gui/MarkingTranslator.h"
#include "tests/gui/ScriptedMessages.h"
#include "tests/gui/TestEnvironment.h"
#include "tests/support/PeTestFiles.h"
#include "tests/support/TestSupport.h"
#include "ui/pages/DisguiseOptionsDialog.h"
#include "ui/pages/FileListEditor.h"
#include "ui/pages/SplitPage.h"
#include "ui/settings/SettingsFile.h"
#include "ui/state/StateList.h"
#include "ui/window/MainWindow.h"

using namespace kivora;
using namespace kivora::ui;

namespace {

// A plug-in DLL with the given picture ids.
std::vector<std::uint8_t> Plugin(const std::u16string& name,
                                 std::initializer_list<std::uint16_t> ids) {
  pendant::test::PeImageBuilder builder;
  for (auto id : ids) builder.AddKvr(id, kivora::test::FakePicture(id));
  builder.AddString(511, name).AddString(512, u"1.0").AddString(513, u"gif").AddString(514, u"me");
  builder.AddString(515, u"comment of " + name);
  return builder.Build().bytes;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

// Runs fn on the next modal dialog once it is shown.
template <typename Fn>
void OnNextModal(Fn fn) {
  QTimer::singleShot(0, [fn] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal) fn(modal);
  });
}

// The save-folder boxes of the three pages and the buttons that pick their folders.
constexpr std::pair<const char*, const char*> kFolderChoosers[] = {
    {"cobDevideSaveAs", "btnDevideSaveAs"},
    {"cobJointSaveAs", "btnRefferJointSaveAs"},
    {"cobRedevideSaveAs", "btnRefferReSaveAs"}};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  kivora::ui::test::ScriptedMessages messages_;

  WindowEnvironment Env(const QString& program = {}) const {
    return kivora::ui::test::TestEnvironment(dir_->path(), program);
  }
  template <typename T>
  static T* Find(QWidget& w, const char* name) {
    T* found = w.findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no widget %s", name);
    return found;
  }
  QString WriteSource(const QString& name, size_t size) {
    const QString path = dir_->path() + "/" + name;
    kivora::test::WriteBytes(path.toStdString(), kivora::test::RandomBytes(size, 9));
    return path;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir().mkpath(dir_->path() + "/program/plugin");
    messages_ = kivora::ui::test::ScriptedMessages();
  }

  void firstStartGivesTheDefaults() {
    const QSize larger(900, 600);
    {
      MainWindow w(messages_, Env());
      QCOMPARE(w.windowTitle(), QStringLiteral("Kivora"));
      QVERIFY(w.minimumSize() != w.maximumSize());
      Find<QTabWidget>(w, "pcKivora")->setCurrentIndex(1);
      w.show();
      // The file list takes the room a larger window gives its page.
      auto* fileList = Find<QTreeWidget>(w, "lvFileList");
      const QSize fileListGrows = fileList->size() + larger - w.size();
      w.resize(larger);
      QTRY_COMPARE(fileList->size(), fileListGrows);
      QCOMPARE(Find<QLineEdit>(w, "edtFileSize")->text(), QStringLiteral("500"));
      QVERIFY(!Find<QPushButton>(w, "btnDevide")->isEnabled());
      QCOMPARE(Find<QTreeWidget>(w, "lvKvrInfoJoint")->topLevelItemCount(), 6);
      QVERIFY(w.close());
    }
    // Every setting went through its widget unchanged (the settings tests pin the defaults).
    KivoraSettings saved = LoadSettings(dir_->path() + "/kivora.ini");
    saved.top = saved.left = 0;  // where the window was placed
    QCOMPARE(QSize(saved.width, saved.height), larger);
    saved.width = saved.height = 0;
    QVERIFY(saved == KivoraSettings{});
    QCOMPARE(MainWindow(messages_, Env()).size(), larger);
    QVERIFY(QFile::exists(dir_->path() + "/data/applications/kivora.desktop"));
    QVERIFY(messages_.shown.isEmpty());
  }

  void splitPageEnablingRules() {
    MainWindow w(messages_, Env());
    auto* source = Find<QLineEdit>(w, "edtDevideFileName");
    auto* start = Find<QPushButton>(w, "btnDevide");
    const QString file = WriteSource("a.bin", 10);
    source->setText(file + "x");
    QVERIFY(!start->isEnabled());
    source->setText(file);
    QVERIFY(start->isEnabled());
    QCOMPARE(source->toolTip(), file);
    QFile::remove(file);
    QTest::keyClicks(Find<QLineEdit>(w, "edtDevideName"), "n");  // re-runs the check
    QVERIFY(!start->isEnabled());

    auto* disguise = Find<QCheckBox>(w, "cbKivora");
    disguise->setChecked(false);
    QVERIFY(Find<QPushButton>(w, "btnKvrOption")->isEnabled());  // encryption, recovery
    QVERIFY(Find<QComboBox>(w, "cobExtention")->isEnabled());
    disguise->setChecked(true);
    QVERIFY(Find<QPushButton>(w, "btnKvrOption")->isEnabled());
    QVERIFY(!Find<QComboBox>(w, "cobExtention")->isEnabled());
  }

  void partSizeAboveTheMaximum() {
    MainWindow w(messages_, Env());
    auto* size = Find<QLineEdit>(w, "edtFileSize");
    size->clear();
    QTest::keyClicks(size, "40000");
    QVERIFY(messages_.shown.contains(QStringLiteral("最大分割檔大小為 32767 KB")));
    QCOMPARE(size->text(), QStringLiteral("32767"));
    QCOMPARE(Find<QSpinBox>(w, "udFileSize")->value(), 32767);
    // A blank size is marked at once and refused at the split, not replaced by the last.
    w.splitPage().SetSource(WriteSource("s.bin", 3000));
    size->clear();
    QVERIFY(size->property("invalid").toBool());
    QTest::mouseClick(Find<QPushButton>(w, "btnDevide"), Qt::LeftButton);
    QVERIFY(messages_.shown.contains(QStringLiteral("請輸入分割檔大小 (1 到 32767 KB)。")));
    QTest::keyClicks(size, "7");
    QVERIFY(!size->property("invalid").toBool());
  }

  void partSizeFieldStepsWithTheArrowKeys() {
    MainWindow w(messages_, Env());
    auto* size = Find<QLineEdit>(w, "edtFileSize");
    QTest::keyClick(size, Qt::Key_Up);
    QCOMPARE(size->text(), QStringLiteral("550"));
    QTest::keyClick(size, Qt::Key_Down);
    QTest::keyClick(size, Qt::Key_Down);
    QCOMPARE(size->text(), QStringLiteral("450"));
    QCOMPARE(Find<QSpinBox>(w, "udFileSize")->value(), 450);
  }

  // Enter adds no entry; a picked folder becomes the one second entry; Cancel keeps it.
  void saveFolderBoxesKeepAtMostOnePickedFolder() {
    MainWindow w(messages_, Env());
    for (const auto& [boxName, buttonName] : kFolderChoosers) {
      auto* box = Find<QComboBox>(w, boxName);
      for (const char* typed : {"/tmp/a", "/tmp/b"}) {
        box->setEditText(QString::fromLatin1(typed));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
      }
      QCOMPARE(box->count(), 1);
      QCOMPARE(box->currentText(), QStringLiteral("/tmp/b"));
      messages_.folders = {QStringLiteral("/tmp/c"), QStringLiteral("/tmp/d"), std::nullopt};
      for (const char* shown : {"/tmp/c", "/tmp/d", "/tmp/d"}) {  // the last click is cancelled
        QTest::mouseClick(Find<QPushButton>(w, buttonName), Qt::LeftButton);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentIndex(), 1);
        QCOMPARE(box->currentText(), QString::fromLatin1(shown));
      }
    }
  }

  // Captions and status panels show their whole text, side by side.
  void textsFitTheirPlaces() {
    MainWindow w(messages_, Env());
    w.show();
    const auto fits = [](QWidget* widget, int textWidth) {
      QApplication::processEvents();
      QVERIFY2(
          textWidth <= widget->width() && widget->sizeHint().height() <= widget->height(),
          qPrintable(widget->objectName() + QString(" %1>%2").arg(textWidth).arg(widget->width())));
    };
    auto* kvrExtension = Find<QCheckBox>(w, "cbKvrExtention");
    fits(kvrExtension, kvrExtension->sizeHint().width());
    Find<QTabWidget>(w, "pcDevideJoint")->setCurrentIndex(1);
    auto* note = Find<QLabel>(w, "Label11");
    fits(note, note->sizeHint().width());

    const QList<QLabel*> panels = Find<QStatusBar>(w, "sbStatus")->findChildren<QLabel*>();
    QCOMPARE(panels.size(), 4);
    panels[0]->setText(QStringLiteral("再分割數: 999/999"));
    panels[1]->setText(QStringLiteral("進行的測試數: 999/999"));
    panels[2]->setText(QStringLiteral("選取數: 999/999    選取大小: 99,999KB"));
    for (int i = 0; i < panels.size(); ++i) {
      const int frames = panels[i]->width() - panels[i]->contentsRect().width();
      fits(panels[i], panels[i]->fontMetrics().horizontalAdvance(panels[i]->text()) + frames);
      QVERIFY(w.rect().contains(QRect(panels[i]->mapTo(&w, QPoint(0, 0)), panels[i]->size())));
      if (i > 0) QVERIFY(panels[i - 1]->geometry().right() < panels[i]->geometry().left());
    }
  }

  void qtsOwnTextsAreInChinese() {
    QTranslator qtTexts;
    if (!LoadQtTranslation(qtTexts))
      QSKIP("Qt's translations (qt6-translations-l10n) are not installed");
    QApplication::installTranslator(&qtTexts);
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    const QString cancel = box.button(QDialogButtonBox::Cancel)->text();
    QApplication::removeTranslator(&qtTexts);
    QVERIFY2(cancel.contains(QStringLiteral("取消")), qPrintable(cancel));
  }

  // The Traditional Chinese texts are the source language of the window's translations.
  void everyTextOfTheWindowCanBeTranslated() {
    kivora::test::MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    MainWindow w(messages_, Env());
    DisguiseOptionsDialog options(&w, messages_, {});
    FileListEditor editor(&w, {}, {}, {});
    QCoreApplication::removeTranslator(&translator);
    const QString marker = QStringLiteral("[kivora::ui::");
    QCOMPARE(Find<QTabWidget>(w, "pcDevideJoint")->tabText(1),
             QStringLiteral("[kivora::ui::MainWindow]  再分割 "));
    QCOMPARE(Find<QComboBox>(w, "cobJointSaveAs")->itemText(0),
             QStringLiteral("[kivora::ui::JoinPage] 與 KivoRa 檔案相同的資料夾"));
    QCOMPARE(kivora::test::UnmarkedTexts(w, marker), QStringList());
    QCOMPARE(kivora::test::UnmarkedTexts(options, marker), QStringList());
    QCOMPARE(kivora::test::UnmarkedTexts(editor, marker), QStringList());
  }

  void browsingProposesTheBaseName() {
    MainWindow w(messages_, Env());
    messages_.openFiles = {QStringLiteral("/videos/clip2.avi"), QStringLiteral("/videos/clip.avi")};
    QTest::mouseClick(Find<QPushButton>(w, "btnRefferDevide"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(w, "edtDevideName")->text(), QStringLiteral("clip2_"));
    QTest::mouseClick(Find<QPushButton>(w, "btnRefferDevide"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(w, "edtDevideName")->text(), QStringLiteral("clip"));
    QCOMPARE(Find<QLineEdit>(w, "edtDevideFileName")->text(), QStringLiteral("/videos/clip.avi"));
  }

  // A typed source proposes the base name once the field is left; a name cleared after it
  // is refused with the field named and focused.
  void typedSourceProposesTheBaseName() {
    const QString source = WriteSource("clip.avi", 3000);
    MainWindow w(messages_, Env());
    w.show();
    QApplication::setActiveWindow(&w);
    auto* sourceEdit = Find<QLineEdit>(w, "edtDevideFileName");
    auto* name = Find<QLineEdit>(w, "edtDevideName");
    sourceEdit->setText(source);
    emit sourceEdit->editingFinished();
    QCOMPARE(name->text(), QStringLiteral("clip"));
    name->clear();
    QTest::mouseClick(Find<QPushButton>(w, "btnDevide"), Qt::LeftButton);
    QCOMPARE(messages_.shown,
             QStringList{QStringLiteral("含有未被設定的項目。\n請輸入「分割檔名稱」。")});
    QVERIFY(name->hasFocus());
  }

  void splitThroughThePageMatchesTheCommandLine() {
    const QString source = WriteSource("movie.avi", 300000);
    QDir().mkpath(dir_->path() + "/gui");
    QDir().mkpath(dir_->path() + "/cli");
    {
      MainWindow w(messages_, Env());
      w.splitPage().SetSeed(42);
      w.splitPage().SetSource(source);
      messages_.answers = {Answer::Yes};
      Find<QComboBox>(w, "cobDevideSaveAs")->setCurrentText(dir_->path() + "/gui");
      QTest::mouseClick(Find<QPushButton>(w, "btnDevide"), Qt::LeftButton);
      QVERIFY(kivora::ui::test::WaitUntilIdle(w));
      QVERIFY2(messages_.shown.contains(QStringLiteral("分割已完成。")),
               qPrintable(messages_.shown.join('|')));
      QCOMPARE(w.stateList().Caption(0), QStringLiteral("movie.kvr"));
      QCOMPARE(w.stateList().State(1), QStringLiteral("偽裝"));
      QVERIFY(!w.Busy());
      QVERIFY(Find<QPushButton>(w, "btnDevide")->isEnabled());
    }
    std::ostringstream out, err;
    cli::Context context{out, err, false, false};
    QCOMPARE(cli::Run({"split", source.toStdString(), "-o", (dir_->path() + "/cli").toStdString(),
                       "--seed", "42"},
                      context),
             0);
    const QStringList names = QDir(dir_->path() + "/cli").entryList(QDir::Files);
    QCOMPARE(names, QDir(dir_->path() + "/gui").entryList(QDir::Files));
    QVERIFY(names.size() > 1);
    for (const QString& name : names) {
      QCOMPARE(ReadFile(dir_->path() + "/gui/" + name), ReadFile(dir_->path() + "/cli/" + name));
    }
  }

  void splitThatWouldReplaceItsSourceIsRefused() {
    const QString source = WriteSource("v00.png", 3000);
    const QByteArray before = ReadFile(source);
    MainWindow w(messages_, Env());
    w.splitPage().SetSource(source);
    Find<QLineEdit>(w, "edtDevideName")->setText("v");
    QTest::mouseClick(Find<QPushButton>(w, "btnDevide"), Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(w));
    const QString refusal = QString::fromStdString(msg::kTargetIsSource().Chinese());
    QVERIFY2(!messages_.shown.filter(refusal).isEmpty(), qPrintable(messages_.shown.join('|')));
    QCOMPARE(ReadFile(source), before);
    QVERIFY(!QFile::exists(dir_->path() + "/v.kvr"));
  }

  void splitAsksBeforeReplacingAFileOfNoSet() {
    const QString photo = WriteSource("v00.png", 100);
    MainWindow w(messages_, Env());
    w.splitPage().SetSource(WriteSource("movie.avi", 3000));
    Find<QLineEdit>(w, "edtDevideName")->setText("v");
    QTest::mouseClick(Find<QPushButton>(w, "btnDevide"), Qt::LeftButton);  // answered No
    QVERIFY(kivora::ui::test::WaitUntilIdle(w));
    QCOMPARE(
        messages_.shown.value(0),
        QString::fromStdString(msg::kReplaceForeignFileQuestion(photo.toStdString()).Chinese()));
    QCOMPARE(QFile(photo).size(), qint64(100));  // a part would be larger
  }

  void settingsRoundTripWithoutThePassword() {
    {
      MainWindow w(messages_, Env());
      Find<QLineEdit>(w, "edtFileSize")->setText("1200");
      Find<QCheckBox>(w, "cbRandomSize")->setChecked(false);
      Find<QRadioButton>(w, "rbOne")->setChecked(true);
      Find<QTabWidget>(w, "pcDevideJoint")->setCurrentIndex(2);
      OnNextModal([](QWidget* modal) {
        Find<QLineEdit>(*modal, "edtPassword")->setText("topsecret");
        Find<QLineEdit>(*modal, "edtPasswordConfirm")->setText("topsecret");
        Find<QCheckBox>(*modal, "cbInplant")->setChecked(true);
        QVERIFY(!Find<QCheckBox>(*modal, "cbEncrypt")->isChecked());
        Find<QCheckBox>(*modal, "cbEncrypt")->setChecked(true);
        Find<QSpinBox>(*modal, "udRecovery")->setValue(3);
        QTest::mouseClick(Find<QPushButton>(*modal, "btnOK"), Qt::LeftButton);
      });
      QTest::mouseClick(Find<QPushButton>(w, "btnKvrOption"), Qt::LeftButton);
      QCOMPARE(w.Options().password, QStringLiteral("topsecret"));
      QVERIFY(w.Options().implant);
      Find<QCheckBox>(w, "cbKivora")->setChecked(false);
      Find<QComboBox>(w, "cobExtention")->setCurrentText("zip");
      Find<QCheckBox>(w, "cbAssociateKvrFile")->setChecked(false);
      for (const auto& [box, button] : kFolderChoosers) {
        messages_.folders = {QStringLiteral("/tmp/") + box};
        QTest::mouseClick(Find<QPushButton>(w, button), Qt::LeftButton);
      }
      QVERIFY(w.close());
    }
    QVERIFY(!ReadFile(dir_->path() + "/kivora.ini").contains("topsecret"));
    MainWindow w(messages_, Env());
    QCOMPARE(Find<QSpinBox>(w, "udFileSize")->value(), 1200);
    QVERIFY(!Find<QCheckBox>(w, "cbRandomSize")->isChecked());
    QVERIFY(Find<QRadioButton>(w, "rbOne")->isChecked());
    QCOMPARE(Find<QComboBox>(w, "cobExtention")->currentText(), QStringLiteral("zip"));
    QVERIFY(!Find<QCheckBox>(w, "cbKivora")->isChecked());
    QCOMPARE(Find<QTabWidget>(w, "pcDevideJoint")->currentIndex(), 2);
    QVERIFY(w.Options().implant);
    QVERIFY(w.Options().encrypt);
    QCOMPARE(w.Options().recoveryCount, 3);
    QVERIFY(w.Options().password.isEmpty());
    QVERIFY(!Find<QCheckBox>(w, "cbAssociateKvrFile")->isChecked());
    for (const auto& [box, button] : kFolderChoosers) {
      QCOMPARE(Find<QComboBox>(w, box)->currentIndex(), 1);
      QCOMPARE(Find<QComboBox>(w, box)->currentText(), QStringLiteral("/tmp/") + box);
    }
  }

  void encryptingPasswordIsTypedTwiceAlike() {
    const std::pair<QString, QString> cases[] = {
        {"", ""}, {"secret", "Secret"}, {"secret", "secret"}};
    for (const auto& [typed, confirmation] : cases) {
      DisguiseOptionsDialog dialog(nullptr, messages_, {});
      dialog.Fill(typed, false, false, {}, true);
      Find<QLineEdit>(dialog, "edtPasswordConfirm")->setText(confirmation);
      QTest::mouseClick(Find<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
      const bool accepted = !typed.isEmpty() && typed == confirmation;
      QCOMPARE(dialog.Confirmed(), accepted);
    }
    QCOMPARE(messages_.shown.size(), 2);  // one refusal each
  }

  void encryptedSplitStaysEncryptedWithoutTheDisguise() {
    MainWindow w(messages_, Env());
    w.splitPage().SetSource(WriteSource("movie.avi", 30000));
    Find<QCheckBox>(w, "cbKivora")->setChecked(false);
    OnNextModal([](QWidget* modal) {
      Find<QCheckBox>(*modal, "cbEncrypt")->setChecked(true);
      for (const char* field : {"edtPassword", "edtPasswordConfirm"})
        Find<QLineEdit>(*modal, field)->setText("secret");
      QTest::mouseClick(Find<QPushButton>(*modal, "btnOK"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(w, "btnKvrOption"), Qt::LeftButton);
    QVERIFY(!Find<QLabel>(w, "Label20")->isHidden());  // the page tells
    QTest::mouseClick(Find<QPushButton>(w, "btnDevide"), Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(w));
    const auto def =
        ReadDefinition(dir_->filePath("movie.kvr").toStdString(), kivora::test::FakePendants());
    QCOMPARE(def.header.CipherKind, kSealedCipher);
  }

  void emptyPluginListFitsItsBox() {
    DisguiseOptionsDialog dialog(nullptr, messages_, {});
    dialog.show();
    QCoreApplication::processEvents();
    QVERIFY(!Find<QTreeWidget>(dialog, "lvPlugin")->horizontalScrollBar()->isVisible());
  }

  void optionsDialogListsPluginsWithPictures() {
    const QString plugins = dir_->path() + "/program/plugin";
    kivora::test::WriteBytes((plugins + "/one.dll").toStdString(), Plugin(u"One", {101, 102, 103}));
    kivora::test::WriteBytes((plugins + "/two.dll").toStdString(), Plugin(u"Two", {150}));
    kivora::test::WriteBytes((plugins + "/none.dll").toStdString(), Plugin(u"None", {}));

    DisguiseOptionsDialog dialog(nullptr, messages_, Env().pendants.pluginFolders);
    QCOMPARE(dialog.PluginRowCount(), 2);
    auto* list = Find<QTreeWidget>(dialog, "lvPlugin");
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("3"));
    QCOMPARE(list->topLevelItem(0)->text(5), QStringLiteral("one.dll"));
    QVERIFY(!Find<QGroupBox>(dialog, "gbPlugin")->isEnabled());

    // Plug-in box checked, no row selected: the message, and the dialog stays open.
    dialog.show();
    Find<QCheckBox>(dialog, "cbUsePlugin")->setChecked(true);
    QTest::mouseClick(Find<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
    QCOMPARE(messages_.shown, QStringList{QStringLiteral("您未選擇任一的掛件...")});
    QVERIFY(!dialog.Confirmed());
    QVERIFY(dialog.isVisible());
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(Find<QPlainTextEdit>(dialog, "mmComment")->toPlainText(),
             QStringLiteral("comment of Two"));
    QTest::mouseClick(Find<QPushButton>(dialog, "btnOK"), Qt::LeftButton);
    QVERIFY(dialog.Confirmed());
    QCOMPARE(dialog.SelectedPluginName(), QStringLiteral("two.dll"));
    QCOMPARE(dialog.SelectedExtension(), QStringLiteral("gif"));

    // From the resplit: only the list can be used.
    DisguiseOptionsDialog resplit(nullptr, messages_, Env().pendants.pluginFolders);
    resplit.SetResplitMode();
    resplit.show();
    QVERIFY(!Find<QGroupBox>(resplit, "gbPassword")->isVisible());
    QVERIFY(!Find<QGroupBox>(resplit, "gbInplant")->isVisible());
    QVERIFY(Find<QCheckBox>(resplit, "cbUsePlugin")->isChecked());
    QVERIFY(!Find<QCheckBox>(resplit, "cbUsePlugin")->isEnabled());
    QVERIFY(Find<QGroupBox>(resplit, "gbPlugin")->isEnabled());
  }

  void optionsFromTheSplitPageSetTheExtension() {
    kivora::test::WriteBytes((dir_->path() + "/program/plugin/one.dll").toStdString(),
                             Plugin(u"One", {101}));
    MainWindow w(messages_, Env());
    OnNextModal([](QWidget* modal) {
      Find<QCheckBox>(*modal, "cbUsePlugin")->setChecked(true);
      auto* list = Find<QTreeWidget>(*modal, "lvPlugin");
      list->setCurrentItem(list->topLevelItem(0));
      QTest::mouseClick(Find<QPushButton>(*modal, "btnOK"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(w, "btnKvrOption"), Qt::LeftButton);
    QVERIFY(w.Options().usePlugin);
    QCOMPARE(w.Options().pluginName, QStringLiteral("one.dll"));
    QCOMPARE(Find<QComboBox>(w, "cobExtention")->currentText(), QStringLiteral("gif"));

    // Cancel keeps everything; OK with the plug-in off gives "png".
    OnNextModal([](QWidget* modal) {
      QTest::mouseClick(Find<QPushButton>(*modal, "btnCancel"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(w, "btnKvrOption"), Qt::LeftButton);
    QVERIFY(w.Options().usePlugin);
    OnNextModal([](QWidget* modal) {
      Find<QCheckBox>(*modal, "cbUsePlugin")->setChecked(false);
      QTest::mouseClick(Find<QPushButton>(*modal, "btnOK"), Qt::LeftButton);
    });
    QTest::mouseClick(Find<QPushButton>(w, "btnKvrOption"), Qt::LeftButton);
    QCOMPARE(Find<QComboBox>(w, "cobExtention")->currentText(), QStringLiteral("png"));
  }

  void associationCreatedKeptMovedRemoved() {
    const QString desktop = dir_->path() + "/data/applications/kivora.desktop";
    {
      MainWindow w(messages_, Env());
      QVERIFY(w.close());
    }
    QVERIFY(ReadFile(desktop).contains(QString(dir_->path() + "/program/kivora").toUtf8()));

    // Another copy of the program starts: it asks, and Yes points the entry at it.
    const QString moved = dir_->path() + "/elsewhere/kivora";
    messages_.answers = {Answer::Yes};
    {
      MainWindow w(messages_, Env(moved));
      QCOMPARE(messages_.shown.size(), 1);
      QVERIFY(messages_.shown[0].startsWith(QStringLiteral("包含「Kivora」的資料夾已經變更。")));
      Find<QCheckBox>(w, "cbAssociateKvrFile")->setChecked(false);
      QVERIFY(w.close());
    }
    QVERIFY(!QFile::exists(desktop));
    {  // unchecked is remembered
      MainWindow w(messages_, Env(moved));
      QVERIFY(w.close());
    }
    QVERIFY(!QFile::exists(desktop));
    QCOMPARE(messages_.shown.size(), 1);
  }

  void commandLineDefinitionOpensTheJoinPage() {
    WindowEnvironment env = Env();
    env.arguments = {QStringLiteral("/sets/Movie.KVR")};
    MainWindow w(messages_, env);
    QCOMPARE(Find<QTabWidget>(w, "pcDevideJoint")->currentIndex(), 2);
    QCOMPARE(Find<QLineEdit>(w, "edtJointFileName")->text(), QStringLiteral("/sets/Movie.KVR"));
    env.arguments = {QStringLiteral("/notes.txt")};
    MainWindow other(messages_, env);
    QCOMPARE(Find<QTabWidget>(other, "pcDevideJoint")->currentIndex(), 0);
    QVERIFY(Find<QLineEdit>(other, "edtJointFileName")->text().isEmpty());
  }

  void outOfRangeSettingsFallBack() {
    QFile ini(dir_->path() + "/kivora.ini");
    ini.open(QIODevice::WriteOnly);
    ini.write(
        "[Window]\nTop=-30000\nLeft=-30000\nActivePage=7\n[Divide]\nFileSize=99999\nExtention="
        "zip\n");
    ini.close();
    MainWindow w(messages_, Env());
    QCOMPARE(Find<QTabWidget>(w, "pcDevideJoint")->currentIndex(), 0);
    QCOMPARE(Find<QSpinBox>(w, "udFileSize")->value(), 500);
    QCOMPARE(Find<QComboBox>(w, "cobExtention")->currentText(), QStringLiteral("zip"));
    QVERIFY(w.x() > -30000 && w.y() > -30000);
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
