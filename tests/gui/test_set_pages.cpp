// The join and resplit pages, dropped files and the state list, driven by widget names.

#include <QApplication>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <sstream>
#include <utility>

#include "app/cli/Cli.h"
#include "core/text/Messages.h"
#include "tests/gui/ScriptedMessages.h"
#include "tests/gui/TestEnvironment.h"
#include "tests/support/TestSupport.h"
#include "ui/engine/WindowUi.h"
#include "ui/pages/InfoList.h"
#include "ui/pages/JoinPage.h"
#include "ui/pages/ResplitPage.h"
#include "ui/pages/SplitPage.h"
#include "ui/state/StateList.h"
#include "ui/window/MainWindow.h"

using namespace kivora::ui;
using kivora::Answer;
using kivora::FileRole;

const QString kCloseQuestion = QStringLiteral("正在處理中。\n要放棄目前的作業並結束嗎？");

class SetPagesTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  kivora::ui::test::ScriptedMessages messages_;
  std::unique_ptr<MainWindow> window_;

  QString Path(const QString& name) const { return dir_->path() + "/" + name; }
  // Splits a source of `size` bytes into parts of `kb` KB; returns the definition path.
  QString Split(size_t size, int kb, std::vector<std::string> extra = {}) {
    kivora::test::WriteBytes(Path("movie.avi").toStdString(), kivora::test::RandomBytes(size, 4));
    std::vector<std::string> args = {
        "split", Path("movie.avi").toStdString(), "-s", std::to_string(kb), "--no-random", "--seed",
        "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out, err;
    kivora::cli::Context context{out, err, false, false};
    if (kivora::cli::Run(args, context) != 0) qFatal("split failed: %s", err.str().c_str());
    return Path("movie.kvr");
  }
  QByteArray Read(const QString& path) const {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }
  template <typename T>
  T* Find(const char* name) {
    T* found = window_->findChild<T*>(QString::fromLatin1(name));
    if (!found) qFatal("no widget %s", name);
    return found;
  }
  // Clicks a button and waits until the operation it started has ended.
  bool Run(const char* button) {
    QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton);
    return kivora::ui::test::WaitUntilIdle(*window_);
  }
  // Opens the set `def` on the resplit page, with movie.avi as its source.
  void OpenForResplit(const QString& def) {
    window_->findChild<QTabWidget*>("pcDevideJoint")->setCurrentIndex(1);
    Find<QLineEdit>("edtKvrFileName")->setText(def);
    Find<QLineEdit>("edtRedevideFileName")->setText(Path("movie.avi"));
  }
  QString ResplitCount() {
    return window_->findChild<QStatusBar*>("sbStatus")->findChildren<QLabel*>().value(0)->text();
  }
  void SelectState(int row) {
    StateList& list = window_->stateList();
    list.selectionModel()->select(list.model()->index(row, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  JoinPage& JoinTab() { return window_->joinPage(); }
  ResplitPage& ResplitTab() { return window_->resplitPage(); }
  QStringList States() {
    QStringList states;
    for (int i = 0; i < window_->stateList().RowCount(); ++i)
      states << window_->stateList().State(i);
    return states;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    messages_ = kivora::ui::test::ScriptedMessages();
    window_ =
        std::make_unique<MainWindow>(messages_, kivora::ui::test::TestEnvironment(dir_->path()));
  }
  void cleanup() { window_.reset(); }

  void typingReadsTheDefinitionWhenItNamesOne() {
    const QString def = Split(50000, 10);
    auto* edit = Find<QLineEdit>("edtJointFileName");
    QString typed;
    for (const QChar c : def) {
      typed += c;
      edit->setText(typed);
      QCOMPARE(Find<QPushButton>("btnJoint")->isEnabled(), typed == def);
      QCOMPARE(Find<QPushButton>("btnTest")->isEnabled(), typed == def);
    }
    QCOMPARE(Find<InfoListView>("lvKvrInfoJoint")->Value(0), QStringLiteral("movie.avi"));
    QCOMPARE(Find<InfoListView>("lvKvrInfoJoint")->Value(2), QStringLiteral("5"));
    QCOMPARE(window_->stateList().RowCount(), 5);
    edit->setText(def + "x");
    QVERIFY(!Find<QPushButton>("btnJoint")->isEnabled());
    // The list keeps its content.
    QCOMPARE(Find<InfoListView>("lvKvrInfoJoint")->Value(0), QStringLiteral("movie.avi"));
  }

  // Recovery parts are offered only for the definition a test just found without a problem.
  void addRecoveryFollowsACleanTest() {
    const QString def = Split(50000, 10);
    Find<QLineEdit>("edtJointFileName")->setText(def);
    QVERIFY(!Find<QPushButton>("btnAddRecovery")->isEnabled());
    QVERIFY(Run("btnTest"));  // join now? No
    // Amounts the engine refuses are asked again, with the reason.
    messages_.texts = {QStringLiteral("0"), QStringLiteral("255"), QStringLiteral("2")};
    QVERIFY(Run("btnAddRecovery"));
    const QString refused =
        QString::fromStdString(kivora::msg::kAddRecoveryAmountInvalid165().Chinese());
    QCOMPARE(messages_.shown.mid(1, 2), (QStringList{refused, refused}));
    QVERIFY(messages_.shown.contains(QStringLiteral("修復檔已加入。")));
    QVERIFY(QFile::exists(Path("movie_rec01.png")));
    QVERIFY(Find<QPushButton>("btnAddRecovery")->isEnabled());
    QCOMPARE(Find<QPushButton>("btnAddRecovery")->text(), QStringLiteral("取代修復檔(&D)"));
    QFile::remove(Path("movie02.png"));
    QVERIFY(Run("btnTest"));
    QVERIFY(!Find<QPushButton>("btnAddRecovery")->isEnabled());
  }

  void testOfAnIntactSetThenJoin() {
    Find<QLineEdit>("edtJointFileName")->setText(Split(50000, 10));
    Find<QComboBox>("cobJointSaveAs")->setCurrentText(Path("out"));
    messages_.answers = {Answer::Yes, Answer::Yes};  // join now; create the output folder
    QVERIFY(Run("btnTest"));
    QCOMPARE(messages_.shown.value(0), QStringLiteral("找不到任何問題。是否要進行合併？"));
    QVERIFY(messages_.shown.contains(QStringLiteral("合併已完成。")));
    QCOMPARE(Read(Path("out/movie.avi")), Read(Path("movie.avi")));
    QVERIFY(Find<QPushButton>("btnJoint")->isEnabled());
    QVERIFY(!window_->Busy());
  }

  // The password box says verify and skip; a wrong password may be typed again or skipped.
  void testOfAnEncryptedSetCanSkipThePassword() {
    Find<QLineEdit>("edtJointFileName")->setText(Split(30000, 10, {"--encrypt", "-p", "right"}));
    const QString retry = QString::fromStdString(kivora::msg::kWrongPasswordRetry().Chinese());
    const QString clean = QStringLiteral("找不到任何問題。是否要進行合併？");
    struct Case {
      std::deque<std::optional<QString>> texts;
      std::deque<Answer> answers;  // to "type it again?" and "join now?"
      QStringList shown;
    };
    for (const Case& c : {Case{{std::nullopt}, {}, {clean}},
                          Case{{"wrong", "right"}, {Answer::Yes}, {retry, clean}},
                          Case{{"wrong"}, {Answer::No}, {retry, clean}}}) {
      messages_.shown.clear();
      messages_.texts = c.texts;
      messages_.answers = c.answers;
      QVERIFY(Run("btnTest"));
      QVERIFY(messages_.texts.empty());
      QCOMPARE(messages_.shown, c.shown);
    }
    QCOMPARE(messages_.textButtons.mid(0, 2), (QStringList{"驗證", "略過"}));
  }

  void testOffersTheRepairFromRecoveryParts() {
    const QString def = Split(50000, 10, {"--recovery", "1"});
    const QByteArray part = Read(Path("movie02.png"));
    QFile::remove(Path("movie02.png"));
    Find<QLineEdit>("edtJointFileName")->setText(def);
    messages_.answers = {Answer::Yes};  // repair now
    QVERIFY(Run("btnTest"));
    QCOMPARE(messages_.shown,
             (QStringList{QString::fromStdString(kivora::msg::kLineThenLine(
                                                     kivora::msg::kTestFoundErrorCounts(1, 0, 0),
                                                     kivora::msg::kTestNextRepair)
                                                     .Chinese()),
                          "修復已完成。"}));
    QCOMPARE(Read(Path("movie02.png")), part);
    QVERIFY(States().contains(QStringLiteral("修復")));
  }

  // The join runs off the window's thread: the window's own events are handled while it
  // runs (a join on the window's thread would be over before the first of them).
  void windowStaysLiveDuringAJoinOf200Parts() {
    Find<QLineEdit>("edtJointFileName")->setText(Split(200 * 256 * 1024, 256, {"--plain"}));
    Find<QComboBox>("cobJointSaveAs")->setCurrentText(Path("out"));
    QDir().mkpath(Path("out"));
    int ticksWhileBusy = 0;
    QTimer timer;
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [&] { ticksWhileBusy += window_->Busy() ? 1 : 0; });
    timer.start();
    QVERIFY(Run("btnJoint"));
    QVERIFY(ticksWhileBusy > 0);
    QCOMPARE(messages_.shown.last(), QStringLiteral("合併已完成。"));
    QCOMPARE(window_->stateList().RowCount(), 200);
    QCOMPARE(Read(Path("out/movie.avi")), Read(Path("movie.avi")));
  }

  void missingAndFixablePartsAreErrors() {
    Find<QLineEdit>("edtJointFileName")->setText(Split(50000, 10, {"--plain"}));
    QFile::remove(Path("movie01.png"));
    QFile part(Path("movie03.png"));
    part.open(QIODevice::Append);
    part.write(QByteArray(10, 'x'));
    part.close();
    QVERIFY(Run("btnTest"));
    // A set without recovery parts: the next step is the re-split, and nothing of repair.
    QCOMPARE(messages_.shown,
             QStringList{QString::fromStdString(
                 kivora::msg::kLineThenLine(kivora::msg::kTestFoundErrorCounts(1, 0, 1),
                                            kivora::msg::kTestNextResplit)
                     .Chinese())});
    QCOMPARE(messages_.icons, QList<MessageIcon>{MessageIcon::Question});
    // The problems on top, the missing before the fixable; the rest keep their order.
    QCOMPARE(States(),
             (QStringList{QStringLiteral("不存在"), QStringLiteral("可修正"), QStringLiteral("OK"),
                          QStringLiteral("OK"), QStringLiteral("OK")}));
    QCOMPARE(window_->stateList().Caption(2), QStringLiteral("movie00.png"));
  }

  // A test that finds damage in a set without recovery parts offers the re-split: the page
  // opens with the set read and the damaged parts selected; once they are rebuilt, the join
  // page of the set shows them so.
  void damageFoundCarriesForwardToTheResplit() {
    const QString def = Split(50000, 10, {"--plain"});
    Find<QLineEdit>("edtRedevideFileName")->setText(Path("movie.avi"));
    Find<QTabWidget>("pcDevideJoint")->setCurrentIndex(2);
    Find<QLineEdit>("edtJointFileName")->setText(def);
    QFile::remove(Path("movie01.png"));
    QFile part(Path("movie03.png"));
    part.open(QIODevice::ReadWrite);
    part.write("x");
    part.close();
    messages_.answers = {Answer::Yes};  // rebuild them on the re-split page
    QVERIFY(Run("btnTest"));
    QCOMPARE(Find<QTabWidget>("pcDevideJoint")->currentIndex(), 1);
    QCOMPARE(Find<QLineEdit>("edtKvrFileName")->text(), def);
    QCOMPARE(window_->stateList().SelectedKeys(), (std::vector<int>{1, 3}));
    QVERIFY(Run("btnRedevide"));
    QCOMPARE(Read(Path("movie01.png")).size(), 10 * 1024);
    Find<QTabWidget>("pcDevideJoint")->setCurrentIndex(2);
    QCOMPARE(States().count(QStringLiteral("再分割")), 2);
    QVERIFY(!States().contains(QStringLiteral("毀損")) &&
            !States().contains(QStringLiteral("不存在")));
  }

  void joinOfAProtectedSetAsksItsPassword() {
    Find<QLineEdit>("edtJointFileName")->setText(Split(30000, 10, {"-p", "right"}));
    QCOMPARE(Find<InfoListView>("lvKvrInfoJoint")->Value(4),
             QStringLiteral("需要 (相容的擾亂方式，不具保密性)"));
    Find<QComboBox>("cobJointSaveAs")->setCurrentText(Path("out"));
    QDir().mkpath(Path("out"));
    // A wrong password is said in the next box; Cancel ends the join, the parts still listed.
    const QString prompt = "「movie.avi」的分割檔受密碼保護。\n請輸入密碼，謝謝！";
    const QString again = "所輸入的密碼並不一致。(231)\n請再輸入一次「movie.avi」的密碼：";
    messages_.texts = {QStringLiteral("wrong"), std::nullopt};
    QVERIFY(Run("btnJoint"));
    QCOMPARE(messages_.prompts, (QStringList{prompt, again}));
    QCOMPARE(messages_.shown, QStringList());
    QCOMPARE(window_->stateList().RowCount(), 3);
    messages_.prompts.clear();
    messages_.texts = {QStringLiteral("wrong"), QStringLiteral("right")};
    QVERIFY(Run("btnJoint"));
    QCOMPARE(messages_.prompts, (QStringList{prompt, again}));
    QCOMPARE(messages_.shown, QStringList{QStringLiteral("合併已完成。")});
    QCOMPARE(Read(Path("out/movie.avi")), Read(Path("movie.avi")));
  }

  void resplitOfOnlyTheThirdPart() {
    const QString def = Split(50000, 10);
    const QByteArray third = Read(Path("movie02.png"));
    QFile::remove(Path("movie02.png"));
    QFile::remove(Path("movie03.png"));
    OpenForResplit(def);
    QVERIFY(Find<QPushButton>("btnRedevide")->isEnabled());
    SelectState(2);
    QVERIFY(Run("btnRedevide"));
    QCOMPARE(Read(Path("movie02.png")), third);
    QVERIFY(!QFile::exists(Path("movie03.png")));
    QCOMPARE(window_->stateList().State(2), QStringLiteral("再偽裝"));
    QVERIFY(messages_.shown.contains(QStringLiteral("再分割已完成。")));
    QCOMPARE(ResplitCount(), QStringLiteral("再分割數: 1/1"));
  }

  // Another page's operation changes the shared list; coming back shows the page's set
  // again with its selection, and the re-split works on that set.
  void resplitPageShowsItsSetAgainAfterAnotherPage() {
    const QString def = Split(50000, 10);
    const QByteArray third = Read(Path("movie02.png"));
    QFile::remove(Path("movie02.png"));
    OpenForResplit(def);
    SelectState(2);
    window_->findChild<QTabWidget*>("pcDevideJoint")->setCurrentIndex(0);
    window_->stateList().ClearRows();  // as a failed split leaves it
    window_->findChild<QTabWidget*>("pcDevideJoint")->setCurrentIndex(1);
    QCOMPARE(window_->stateList().RowCount(), 5);
    QCOMPARE(window_->stateList().SelectedKeys(), std::vector<int>{2});
    QVERIFY(Run("btnRedevide"));
    QCOMPARE(Read(Path("movie02.png")), third);
  }

  // The panels show the current operation's figures only; a join that kept no output
  // leaves no row saying its part was joined.
  void panelsAndRowsShowOnlyWhatLasted() {
    const QString def = Split(50000, 10, {"--plain"});
    QFile::remove(Path("movie03.png"));
    Find<QComboBox>("cobJointSaveAs")->setCurrentText(Path("out"));
    QDir().mkpath(Path("out"));
    Find<QLineEdit>("edtJointFileName")->setText(def);
    const auto panel = [this](int i) {
      return window_->findChild<QStatusBar*>("sbStatus")->findChildren<QLabel*>().value(i)->text();
    };
    QVERIFY(Run("btnTest"));
    QCOMPARE(panel(1), QStringLiteral("進行的測試數: 5/5"));
    SelectState(0);
    QCOMPARE(panel(2), QStringLiteral("選取數: 1/5"));
    window_->findChild<QTabWidget*>("pcDevideJoint")->setCurrentIndex(1);
    QCOMPARE(panel(1), QString());
    window_->findChild<QTabWidget*>("pcDevideJoint")->setCurrentIndex(2);
    QVERIFY(Run("btnJoint"));  // go on without the missing part? No
    QVERIFY(!States().contains(QStringLiteral("合併")));
    QVERIFY(!QFile::exists(Path("out/movie.avi")));
    QCOMPARE(panel(1), QString());  // the failed join's count
    QCOMPARE(panel(2), QString());
  }

  // After its last part a split publishes the set: its count says so until it ends.
  void splitCountSaysWhenItPublishes() {
    QLabel count, other;
    StateList list;
    WindowUi ui(nullptr, messages_, list, {&count, &other}, kivora::Language::Chinese, {});
    using kivora::OperationKind;
    ui.Report(kivora::Progress{OperationKind::Split, 4, 5});
    QCOMPARE(count.text(), QStringLiteral("分割數: 4/5"));
    ui.Report(kivora::Progress{OperationKind::Split, 5, 5});
    QCOMPARE(count.text(), QStringLiteral("分割數: 5/5 (發佈中)"));
    ui.Report(kivora::Finished{OperationKind::Split, kivora::Outcome::Completed});
    QCOMPARE(count.text(), QStringLiteral("分割數: 5/5"));
  }

  void selectAllFollowsLineScrolling() {
    const QString def = Split(50 * 1024, 1);
    window_->show();
    OpenForResplit(def);
    StateList& list = window_->stateList();
    QCOMPARE(list.RowCount(), 50);
    QTest::mouseClick(Find<QPushButton>("btnRedevideAll"), Qt::LeftButton);
    const int visible = static_cast<int>(list.SelectedKeys().size());
    QVERIFY2(visible > 0 && visible < 50, qPrintable(QString::number(visible)));
    QVERIFY(ResplitTab().SelectAll());
    list.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCoreApplication::processEvents();  // the selection follows in the next pass
    QCOMPARE(static_cast<int>(list.SelectedKeys().size()), visible + 1);
    // Page scrolling does not select.
    list.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCoreApplication::processEvents();
    QCOMPARE(static_cast<int>(list.SelectedKeys().size()), visible + 1);

    for (int i = 0; i < 50; ++i)
      QFile::remove(Path(QStringLiteral("movie%1.png").arg(i, 2, 10, QChar('0'))));
    QVERIFY(Run("btnRedevide"));
    QVERIFY(QFile::exists(Path("movie49.png")));
    QCOMPARE(ResplitCount(), QStringLiteral("再分割數: 50/50"));
  }

  // While a join runs, a second click, a drop, a declined close or a page change starts
  // nothing and loses nothing; its abort stops it. The join is held at its question about a
  // missing part: it runs, and waits for the answer.
  void operationRunsAloneAndItsAbortStopsIt() {
    const QString def = Split(50000, 10, {"--plain"});
    QFile::remove(Path("movie02.png"));
    Find<QLineEdit>("edtJointFileName")->setText(def);
    Find<QComboBox>("cobJointSaveAs")->setCurrentText(Path("out"));
    QDir().mkpath(Path("out"));
    auto* start = Find<QPushButton>("btnJoint");
    auto* sub = Find<QTabWidget>("pcDevideJoint");
    auto* main = Find<QTabWidget>("pcKivora");
    sub->setCurrentIndex(1);
    bool held = false;
    // The close question is answered first (No: stay), then the join's (join on without
    // the missing part).
    messages_.answers = {Answer::No, Answer::Yes};
    messages_.onShow = [&](const QString&) {
      if (std::exchange(held, true)) return;
      QVERIFY(window_->Busy());
      QTest::mouseClick(start, Qt::LeftButton);
      window_->DropFile(Path("movie.avi"));
      QCOMPARE(Find<QLineEdit>("edtJointFileName")->text(), def);
      QVERIFY(!window_->close());
      sub->setCurrentIndex(0);
      QCOMPARE(sub->currentIndex(), 1);
      main->setCurrentIndex(1);
      QCOMPARE(main->currentIndex(), 0);
      JoinTab().AbortJoin();
    };
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QVERIFY(held);
    QCOMPARE(messages_.shown.last(), QStringLiteral("合併已中斷。"));
    QCOMPARE(messages_.shown.count(kCloseQuestion), 1);
    // Nothing under the joined file's name, nor beside it.
    QVERIFY(QDir(Path("out")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QVERIFY(start->isEnabled());
  }

  // Closing while busy asks whether to abort. No box of the operation opens over that
  // question; after No it comes, after Yes the window closes without it.
  void closingWhileBusyAsksToAbort_data() {
    QTest::addColumn<bool>("abort");
    QTest::newRow("stay") << false;
    QTest::newRow("abort and close") << true;
  }
  void closingWhileBusyAsksToAbort() {
    QFETCH(bool, abort);
    Find<QLineEdit>("edtJointFileName")->setText(Split(50000, 10));
    Find<QComboBox>("cobJointSaveAs")->setCurrentText(Path("out"));
    QDir().mkpath(Path("out"));
    messages_.answers = {abort ? Answer::Yes : Answer::No};
    messages_.onShow = [&](const QString&) {
      // The join is done in far less; its closing box must still wait.
      if (messages_.shown.isEmpty()) QTest::qWait(500);
    };
    QTest::mouseClick(Find<QPushButton>("btnJoint"), Qt::LeftButton);
    QCOMPARE(window_->close(), abort);
    if (!abort) QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    window_.reset();  // the operation has ended when its window has gone
    QCOMPARE(messages_.shown,
             (abort ? QStringList{kCloseQuestion}
                    : QStringList{kCloseQuestion, QStringLiteral("合併已完成。")}));
  }

  // An abort belongs to the operation it was given to: the next one, on another
  // page, runs to its end.
  void anAbortEndsWithItsOperation() {
    Find<QLineEdit>("edtJointFileName")->setText(Split(30000, 10));
    kivora::test::WriteBytes(Path("big.bin").toStdString(), kivora::test::RandomBytes(200000, 5));
    SplitPage& split = window_->splitPage();
    split.SetSource(Path("big.bin"));
    Find<QLineEdit>("edtFileSize")->setText("10");
    QTest::mouseClick(Find<QPushButton>("btnDevide"), Qt::LeftButton);
    split.AbortSplit();
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QVERIFY(Run("btnTest"));  // answered No: no join
    QCOMPARE(window_->stateList().RowCount(), 3);
    QCOMPARE(messages_.shown.last(), QStringLiteral("找不到任何問題。是否要進行合併？"));

    QTest::mouseClick(Find<QPushButton>("btnTest"), Qt::LeftButton);
    JoinTab().AbortJoin();
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    window_->show();
    kivora::test::WriteBytes(Path("many.bin").toStdString(), kivora::test::RandomBytes(200000, 6));
    split.SetSource(Path("many.bin"));
    Find<QLineEdit>("edtFileSize")->setText("1");
    Find<QCheckBox>("cbRandomSize")->setChecked(false);
    QVERIFY(Run("btnDevide"));
    QCOMPARE(messages_.shown.last(), QStringLiteral("分割已完成。"));
    // The definition heads the list, in view after the last of about 200 parts.
    StateList& list = window_->stateList();
    QCOMPARE(list.Image(0), kivora::ui::StateImage::Definition);
    QVERIFY(list.RowCount() > 100);
    QVERIFY(list.viewport()->rect().contains(list.visualRect(list.model()->index(0, 0))));
  }

  // An abort takes the selection with it, whether it stopped the re-split or came after
  // its last part: the next re-split asks for a selection.
  void resplitAfterAnAbortAsksForASelection() {
    const QString def = Split(30000, 10);
    window_->show();
    OpenForResplit(def);
    QTest::mouseClick(Find<QPushButton>("btnRedevideAll"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("btnRedevide"), Qt::LeftButton);
    ResplitTab().AbortResplit();
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QFile::remove(Path("movie02.png"));
    QVERIFY(Run("btnRedevide"));
    QVERIFY(
        messages_.shown.last().startsWith(QStringLiteral("請從一覽表上選擇要再次分割的檔案。")));
    QVERIFY(!QFile::exists(Path("movie02.png")));
  }

  // Questions before the work and closing notices after it find the page usable.
  void pagesAreUsableAroundTheirWork() {
    const QString def = Split(30000, 10);
    QStringList whileDisabled;
    messages_.onShow = [&](const QString& text) {
      for (const char* panel : {"pnlDevide", "pnlJoint", "pnlRedevide"})
        if (!Find<QWidget>(panel)->isEnabled()) whileDisabled << text;
    };
    window_->splitPage().SetSource(Path("movie.avi"));
    Find<QComboBox>("cobDevideSaveAs")->setCurrentText(Path("again"));
    messages_.answers = {Answer::Yes};  // create the folder
    QVERIFY(Run("btnDevide"));

    Find<QLineEdit>("edtJointFileName")->setText(def);
    messages_.answers = {Answer::Yes, Answer::No};  // join now; replace movie.avi
    QVERIFY(Run("btnTest"));

    Find<QLineEdit>("edtKvrFileName")->setText(def);
    Find<QLineEdit>("edtRedevideFileName")->setText(Path("movie.avi"));
    SelectState(0);
    QVERIFY(Run("btnRedevide"));
    QCOMPARE(messages_.shown,
             (QStringList{QStringLiteral("儲存位置的資料夾並不存在。\n是否要新建一個資料夾？"),
                          QStringLiteral("分割已完成。"),
                          QStringLiteral("找不到任何問題。是否要進行合併？"),
                          Path("movie.avi") + "\n相同的檔案名稱已經存在。要取代它，還是另存新檔？",
                          QStringLiteral("合併已完成。"), QStringLiteral("再分割已完成。")}));
    QCOMPARE(whileDisabled, QStringList());
  }

  void definitionChangedOnDiskBeforeResplit() {
    const QString def = Split(30000, 10);
    OpenForResplit(def);
    Split(40000, 10, {"-c", "new"});  // the same name, another set
    SelectState(0);
    QVERIFY(Run("btnRedevide"));
    QCOMPARE(messages_.shown.value(0),
             QStringLiteral("KivoRa 合併定義檔已更新。\n因為已重新讀取，故請重新選擇。"));
    QCOMPARE(Find<InfoListView>("lvRedevideInfo")->Value(5), QStringLiteral("new"));
    QCOMPARE(window_->stateList().RowCount(), 4);
  }

  // A definition dropped again is read again; a folder changes nothing and says why.
  void droppedDefinitionIsReadAgainAndAFolderRefused() {
    const QString def = Split(30000, 10);
    window_->DropFile(def);
    window_->stateList().ClearRows();
    window_->DropFile(def);
    QCOMPARE(window_->stateList().RowCount(), 3);
    window_->DropFile(dir_->path());
    QCOMPARE(Find<QLineEdit>("edtJointFileName")->text(), def);
    QVERIFY(messages_.shown.last().contains(dir_->path()));
  }

  // A drop of files on each page, as Qt delivers it: the first file lands in the field
  // the page routes it to.
  void dropEventsOnEachPage() {
    const QString def = Split(30000, 10);
    kivora::test::WriteBytes(Path("clip.avi").toStdString(), {1, 2, 3});
    const struct {
      int page;
      QString file;
      int pageAfter;
      const char* field;
    } cases[] = {{0, Path("clip.avi"), 0, "edtDevideFileName"},
                 {0, def, 2, "edtJointFileName"},
                 {1, Path("clip.avi"), 1, "edtRedevideFileName"},
                 {1, def, 1, "edtKvrFileName"},
                 {2, def, 2, "edtJointFileName"}};
    auto* tabs = window_->findChild<QTabWidget*>("pcDevideJoint");
    window_->show();
    for (const auto& c : cases) {
      tabs->setCurrentIndex(c.page);
      Find<QLineEdit>(c.field)->clear();
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(c.file), QUrl::fromLocalFile(Path("movie.avi"))});
      QWidget* page = tabs->currentWidget();
      const QPoint at = page->rect().center();
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(page, &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(page, &drop);
      QCOMPARE(tabs->currentIndex(), c.pageAfter);
      QCOMPARE(Find<QLineEdit>(c.field)->text(), c.file);
    }
  }

  void stateColumnSortsDescendingThenAscending() {
    StateList& list = window_->stateList();
    list.AddRow("b", "OK", kivora::ui::StateImage::Done);
    list.AddRow("a", "毀損", kivora::ui::StateImage::Failed);
    list.AddRow("c", "OK", kivora::ui::StateImage::Done);
    window_->SortStateList(0);
    QCOMPARE(list.Caption(0), QStringLiteral("c"));
    window_->SortStateList(0);
    QCOMPARE(list.Caption(0), QStringLiteral("a"));
    window_->SortStateList(1);  // its own direction: descending first
    QCOMPARE(list.State(2), QStringLiteral("OK"));
  }

  void aBatchOfStatesKeepsEachFileInItsRow() {
    // Parts by their index, the others by the next free key as they come, a split's
    // definition on top; a later state, in the same batch or a later one, finds its row. The new
    // rows of a batch come in one insertion, apart from the one on top.
    StateList& list = window_->stateList();
    int insertions = 0;
    connect(list.model(), &QAbstractItemModel::rowsInserted, this, [&] { ++insertions; });
    struct Change {
      FileRole role;
      const char* caption;
      const char* state;
      bool onTop;
    };
    const auto show = [&](std::initializer_list<Change> changes) {
      std::vector<StateList::RowUpdate> batch;
      for (const Change& c : changes)
        batch.push_back(
            {list.KeyOf(c.role), c.caption, c.state, kivora::ui::StateImage::Done, c.onTop});
      list.ShowRows(batch);
    };
    show({{FileRole::Part(1), "b", "", false},
          {FileRole::Part(0), "a", "", false},
          {FileRole::Recovery(0), "r", "", false},
          {FileRole::Definition(), "d", "", true},
          {FileRole::Recovery(0), "r", "2", false},
          {FileRole::Part(0), "a", "2", false}});
    QCOMPARE(insertions, 2);
    show({{FileRole::Recovery(1), "s", "", false},
          {FileRole::Part(1), "b", "3", false},
          {FileRole::Recovery(2), "t", "", false}});
    QCOMPARE(insertions, 3);
    QStringList rows;
    for (int i = 0; i < list.RowCount(); ++i) rows << list.Caption(i) + list.State(i);
    QCOMPARE(rows, (QStringList{"d", "b3", "a2", "r2", "s", "t"}));
  }
};

QTEST_MAIN(SetPagesTest)
#include "test_set_pages.moc"
