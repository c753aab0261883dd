// The window programs in the user's language: captions, messages and Qt's own texts
// follow the locale variables, and every caption fits its place in each language.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGlyphRun>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>

#include "core/StateTexts.h"
#include "core/text/Language.h"
#include "core/text/Messages.h"
#include "kvrpack/PluginBuilderWindow.h"
#include "language/EngineText.h"
#include "language/QtTranslation.h"
#include "tests/gui/ScriptedMessages.h"
#include "tests/gui/TestEnvironment.h"
#include "ui/pages/DisguiseOptionsDialog.h"
#include "ui/pages/FileListEditor.h"
#include "ui/pages/FileListPage.h"
#include "ui/pages/JoinPage.h"
#include "ui/state/StateList.h"
#include "ui/window/MainWindow.h"

using namespace kivora;
using namespace kivora::ui;

namespace {

QString Text(QWidget& top, const char* name) {
  QWidget* w = top.findChild<QWidget*>(QString::fromLatin1(name));
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  return w ? w->windowTitle() : QStringLiteral("no %1").arg(QString::fromLatin1(name));
}

// The shown buttons and labels whose text is wider than their place, or that reach
// out of the window.
QStringList CutOff(QWidget& top) {
  QApplication::processEvents();
  QStringList cut;
  for (QWidget* w : top.findChildren<QWidget*>()) {
    const auto* label = qobject_cast<QLabel*>(w);
    if (!w->isVisible() || !(qobject_cast<QAbstractButton*>(w) || (label && !label->wordWrap())))
      continue;
    const QRect inWindow(w->mapTo(&top, QPoint(0, 0)), w->size());
    if (w->width() < w->sizeHint().width() || !top.rect().contains(inWindow))
      cut << w->objectName() + ": " +
                 (label ? label->text() : qobject_cast<QAbstractButton*>(w)->text()) +
                 QStringLiteral(" %1<%2").arg(w->width()).arg(w->sizeHint().width());
  }
  return cut;
}

}  // namespace

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void windowFollowsTheLocale_data() {
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("preferences");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("listFilter");
    const QStringList english = {" Split ",
                                 " Resplit ",
                                 " Join ",
                                 " File list ",
                                 "Spli&t",
                                 "Res&plit",
                                 "&Join",
                                 "&Save...",
                                 "KivoRa Disguise Options",
                                 "File List Editor",
                                 "Build Kivora plug-in"};
    const QStringList chinese = {" 分割 ",         " 再分割 ",        " 合併 ",
                                 " 檔案清單 ",     "分割(&V)",        "再分割(&V)",
                                 "合併(&J)",       "儲存(&S)...",     "KivoRa 偽裝選項",
                                 "檔案清單編輯器", "建立 Kivora 掛件"};
    const QString notEnglish = QStringLiteral("This is not a KivoRa join definition. (211)");
    const QString notChinese = QStringLiteral("並非是 KivoRa 合併定義檔。(211)");
    const QString listEnglish = QStringLiteral("File list (*.txt)");
    const QString listChinese = QStringLiteral("檔案清單 (*.txt)");
    QTest::newRow("en_US") << QByteArray("en_US.UTF-8") << QByteArray() << english << notEnglish
                           << "Cancel" << listEnglish;
    QTest::newRow("zh_TW") << QByteArray("zh_TW.UTF-8") << QByteArray() << chinese << notChinese
                           << "取消" << listChinese;
    QTest::newRow("LANGUAGE=en") << QByteArray("zh_TW.UTF-8") << QByteArray("en:zh_TW") << english
                                 << notEnglish << "Cancel" << listEnglish;
    QTest::newRow("C") << QByteArray("C") << QByteArray("en") << chinese << notChinese << "取消"
                       << listChinese;
  }

  void windowFollowsTheLocale() {
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, preferences);
    QFETCH(QStringList, captions);
    QFETCH(QString, message);
    QFETCH(QString, cancel);
    QFETCH(QString, listFilter);
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", lang);
    qputenv("LANGUAGE", preferences);
    const Language language = LanguageOfProcess();
    const WindowTranslation texts(language, QStringLiteral("kivora"));
    const WindowTranslation builderTexts(language, QStringLiteral("kvrpack"));
    QVERIFY(texts.Complete());

    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/program/plugin");
    test::ScriptedMessages messages;
    WindowEnvironment environment = test::TestEnvironment(dir.path());
    environment.language = language;
    MainWindow w(messages, environment);
    DisguiseOptionsDialog options(&w, messages, {});
    FileListEditor editor(&w, {}, {}, {});
    kvrpack::PluginBuilderWindow builder(dir.path().toStdString(), language);
    auto* operations = w.findChild<QTabWidget*>(QStringLiteral("pcDevideJoint"));
    auto* tabs = w.findChild<QTabWidget*>(QStringLiteral("pcKivora"));
    const QStringList shown = {
        operations->tabText(0), operations->tabText(1),   operations->tabText(2),
        tabs->tabText(1),       Text(w, "btnDevide"),     Text(w, "btnRedevide"),
        Text(w, "btnJoint"),    Text(w, "btnSaveAs"),     options.windowTitle(),
        editor.windowTitle(),   Text(builder, "Command1")};
    QCOMPARE(shown, captions);

    // An engine's message keeps its number.
    QFile garbage(dir.path() + "/other.kvr");
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write("KV" + QByteArray(38, 'x'));  // a definition's magic, nothing after it
    garbage.close();
    operations->setCurrentIndex(2);
    w.joinPage().SetDefinition(garbage.fileName());
    QCOMPARE(messages.shown.value(0), message);

    // The list-file dialog's filters.
    w.fileListPage().SetRows({{"http://example.com/", "a.png", ""}});
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("btnSaveAs")), Qt::LeftButton);
    QCOMPARE(messages.listFilters.value(0), listFilter);

    // Qt's own texts.
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    QVERIFY2(box.button(QDialogButtonBox::Cancel)->text().contains(cancel),
             qPrintable(box.button(QDialogButtonBox::Cancel)->text()));

    // Latin text in the desktop's face, the first family; Chinese from a Ming face.
    const QStringList families = w.font().families();
    // The Latin face is fontconfig's sans-serif for English, in every language (the
    // locale's own sans-serif may be the Ming face).
    if (const QString fcMatch = QStandardPaths::findExecutable("fc-match"); !fcMatch.isEmpty()) {
      QProcess match;
      match.start(fcMatch, {"-f", "%{family[0]}", "sans-serif:lang=en"});
      QVERIFY(match.waitForFinished());
      QCOMPARE(families.value(0), QString::fromUtf8(match.readAllStandardOutput()));
    }
    QTextLayout caption(QStringLiteral("Split 分割"), w.font());
    caption.beginLayout();
    caption.createLine();
    caption.endLayout();
    QStringList drawnBy, expected = {families.value(0), QStringLiteral("AR PL UMing TW")};
    for (const QGlyphRun& run : caption.glyphRuns()) drawnBy << run.rawFont().familyName();
    drawnBy.sort();
    expected.sort();
    QCOMPARE(drawnBy, expected);

    // Every caption of every page and dialog fits.
    w.show();
    for (int page = 0; page < 3; ++page) {
      operations->setCurrentIndex(page);
      QCOMPARE(CutOff(w), QStringList());
    }
    tabs->setCurrentIndex(1);
    QCOMPARE(CutOff(w), QStringList());
    // The status bar's panels hold their longest texts: five-digit counts, sizes in
    // terabytes.
    const auto panels = w.findChild<QStatusBar*>(QStringLiteral("sbStatus"))
                            ->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    const auto progress = [&](const MessageTemplate<int, int>& text) {
      return EngineText(text(99999, 99999), language);
    };
    const QList<QPair<QLabel*, QString>> longest = {
        {panels.value(0), progress(msg::kSplitProgress)},
        {panels.value(0), progress(msg::kResplitProgress)},
        {panels.value(1), progress(msg::kTestProgress)},
        {panels.value(1), progress(msg::kJoinProgress)},
        {panels.value(1), progress(msg::kRepairProgress)},
        {panels.value(1), progress(msg::kAddRecoveryProgress)},
        {panels.value(2), FileListPage::SummaryText(99999, 99999, 9'999'999'999LL * 1024)}};
    for (const auto& [panel, text] : longest) {
      panel->setText(text);
      QVERIFY2(panel->fontMetrics().horizontalAdvance(text) <= panel->contentsRect().width(),
               qPrintable(text));
      QCOMPARE(CutOff(w), QStringList());
    }
    // The state list's columns hold every state and a recovery part's name.
    StateList& states = w.stateList();
    for (int state = 0; state <= static_cast<int>(FileState::NotSent); ++state) {
      const auto text = EngineText(StateText(static_cast<FileState>(state)), language);
      states.ShowRow(state, QStringLiteral("holiday2026_rec%1.png").arg(state, 3, 10, QChar('0')),
                     text, StateImage::Done, false);
    }
    for (const int column : {0, 1})
      QVERIFY(static_cast<QAbstractItemView&>(states).sizeHintForColumn(column) <=
              states.header()->sectionSize(column));
    for (QWidget* dialog : std::initializer_list<QWidget*>{&options, &editor, &builder}) {
      dialog->show();
      QCOMPARE(CutOff(*dialog), QStringList());
      dialog->hide();
    }
  }
};

QTEST_MAIN(LanguageTest)
#include "test_languages.moc"
