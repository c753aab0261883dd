// The file-list tab driven by widget names: the hand-over from an operation, applying
// addresses, select-all, the row editor, the summary, copy and save, fetch and send.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <deque>
#include <sstream>

#include "tests/gui/ScriptedMessages.h"
#include "tests/gui/TestEnvironment.h"
#include "tests/support/FetchServers.h"
#include "tests/support/SendServers.h"
#include "tests/support/TestSupport.h"
#include "ui/pages/FileListPage.h"
#include "ui/pages/JoinPage.h"
#include "ui/pages/SplitPage.h"
#include "ui/state/StateList.h"
#include "ui/window/MainWindow.h"

using namespace kivora::ui;
using kivora::Answer;

class FileListPageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  kivora::ui::test::ScriptedMessages messages_;
  std::unique_ptr<MainWindow> window_;

  QString Path(const QString& name) const { return dir_->path() + "/" + name; }
  FileListPage& Page() { return window_->fileListPage(); }
  QTreeWidget& List() { return *window_->findChild<QTreeWidget*>("lvFileList"); }
  QComboBox* AddressBox() { return window_->findChild<QComboBox*>("cobAddress"); }
  QComboBox* ExtraBox() { return window_->findChild<QComboBox*>("cobCgi"); }
  QString Summary() {
    return window_->findChild<QStatusBar*>("sbStatus")->findChildren<QLabel*>().value(2)->text();
  }
  void SplitThreeParts(bool implant, int recovery = 0) {
    kivora::test::WriteBytes(Path("movie.avi").toStdString(), kivora::test::RandomBytes(25000, 2));
    auto& split = window_->splitPage();
    split.SetSource(Path("movie.avi"));
    window_->findChild<QLineEdit*>("edtFileSize")->setText("10");
    window_->findChild<QCheckBox*>("cbRandomSize")->setChecked(false);
    QTimer::singleShot(0, [implant, recovery] {
      QWidget* options = QApplication::activeModalWidget();
      QVERIFY(options);
      options->findChild<QCheckBox*>("cbInplant")->setChecked(implant);
      options->findChild<QSpinBox*>("udRecovery")->setValue(recovery);
      QTest::mouseClick(options->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    QTest::mouseClick(window_->findChild<QPushButton*>("btnKvrOption"), Qt::LeftButton);
    QCOMPARE(window_->Options().implant, implant);
    QTest::mouseClick(window_->findChild<QPushButton*>("btnDevide"), Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
  }
  void Fill(int count, std::int32_t partBytes) {
    std::vector<kivora::filelist::FileListRow> rows;
    std::vector<kivora::PartRecord> parts;
    for (int i = 0; i < count; ++i) {
      const std::string name = "p" + std::to_string(i) + ".png";
      rows.push_back({"", name, ""});
      parts.push_back({name, partBytes, 0, 0, 0, 0});
    }
    Page().SetRows(rows);
    Page().SetPartSizes(kivora::filelist::BuildPartSizeTable(parts), true, 0);
  }
  // Clicks 上傳 and answers its dialog with the hosts; the definition it offers must be
  // the split's.
  void SendTo(const QStringList& hosts) {
    window_->findChild<QTabWidget*>("pcKivora")->setCurrentIndex(1);
    QString offered;
    QTimer::singleShot(0, [hosts, &offered] {
      QWidget* dialog = QApplication::activeModalWidget();
      QVERIFY(dialog);
      offered = dialog->findChild<QLineEdit*>("edtSendDefinition")->text();
      dialog->findChild<QPlainTextEdit*>("memSendHosts")->setPlainText(hosts.join(u'\n'));
      QTest::mouseClick(dialog->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    QTest::mouseClick(window_->findChild<QPushButton*>("btnSend"), Qt::LeftButton);
    QCOMPARE(offered, Path("movie.kvr"));
  }
  // The files of the set the split wrote, by name.
  kivora::test::FolderFiles SetFiles() {
    kivora::test::FolderFiles files;
    for (const auto& entry : std::filesystem::directory_iterator(dir_->path().toStdString()))
      if (entry.is_regular_file() && entry.path().filename() != "movie.avi")
        files[entry.path().filename().string()] = kivora::test::ReadBytes(entry.path());
    return files;
  }
  QStringList Column(int column) {
    QStringList texts;
    for (int i = 0; i < List().topLevelItemCount(); ++i)
      texts << List().topLevelItem(i)->text(column);
    return texts;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    messages_ = kivora::ui::test::ScriptedMessages();
    window_ =
        std::make_unique<MainWindow>(messages_, kivora::ui::test::TestEnvironment(dir_->path()));
    window_->resize(592, 443);
    window_->show();
  }
  void cleanup() { window_.reset(); }

  void handOverAfterASplit() {
    SplitThreeParts(false, 1);  // recovery parts are uploaded too
    window_->findChild<QTabWidget*>("pcKivora")->setCurrentIndex(1);
    QCOMPARE(Column(1), (QStringList{"movie.kvr", "movie00.png", "movie01.png", "movie02.png",
                                     "movie_rec00.png"}));
    List().topLevelItem(4)->setSelected(true);
    QVERIFY(Summary().startsWith(QStringLiteral("選取數: 1/5")));
    QVERIFY(!Summary().endsWith(QStringLiteral(" 0KB")));
    window_->findChild<QTabWidget*>("pcKivora")->setCurrentIndex(0);

    SplitThreeParts(true);
    messages_.answers = {Answer::Yes};  // the list still holds rows: delete them?
    window_->findChild<QTabWidget*>("pcKivora")->setCurrentIndex(1);
    QCOMPARE(Column(1), (QStringList{"movie00.png", "movie01.png", "movie02.png"}));
  }

  void handOverAfterATestAndARepairListsEachFileOnce() {
    SplitThreeParts(false, 1);
    window_->findChild<QTabWidget*>("pcDevideJoint")->setCurrentIndex(2);
    window_->findChild<QLineEdit*>("edtJointFileName")->setText(Path("movie.kvr"));
    const QStringList all{"movie.kvr", "movie00.png", "movie01.png", "movie02.png",
                          "movie_rec00.png"};
    for (const bool repaired : {false, true}) {
      // A test finds the set whole (join: no), or a part lost and rebuilt (repair: yes).
      if (repaired) QFile::remove(Path("movie01.png"));
      messages_.answers = {repaired ? Answer::Yes : Answer::No};
      QTest::mouseClick(window_->findChild<QPushButton*>("btnTest"), Qt::LeftButton);
      QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
      QCOMPARE(QFile::exists(Path("movie01.png")), true);
      window_->SortStateList(0);
      messages_.answers = {Answer::Yes};  // the list still holds rows: delete them?
      window_->findChild<QTabWidget*>("pcKivora")->setCurrentIndex(1);
      QCOMPARE(Column(1).first(), QStringLiteral("movie.kvr"));
      QStringList listed = Column(1);
      listed.sort();
      QCOMPARE(listed, all);
      window_->findChild<QTabWidget*>("pcKivora")->setCurrentIndex(0);
    }
  }

  // Opening the tab after a split offers its files in place of the rows: at once when the
  // list holds the same files (their addresses stay), otherwise by a question that names
  // both and keeps the list unless answered Yes.
  void handOverAsksBeforeItReplacesRows() {
    SplitThreeParts(false);
    const QStringList files{"movie.kvr", "movie00.png", "movie01.png", "movie02.png"};
    struct Case {
      QStringList names;
      QString address;
      std::deque<Answer> answers;
      QString question;  // empty: none asked
      bool replaced;
    };
    const QString typed =
        QStringLiteral("要以上次分割的 4 個檔案取代清單中的 2 列 (連同它們的位址)嗎？");
    const Case cases[] = {
        {files, "http://a/", {}, {}, false},
        {{"x.png", "y.png"}, "http://a/", {}, typed, false},
        {{"x.png", "y.png"}, "http://a/", {Answer::Yes}, {}, false},  // declined already
        {{"x.png", "z.png"}, "http://a/", {Answer::Yes}, typed, true},
        {{"x.png", "y.png"},
         "",
         {Answer::Yes},
         QStringLiteral("要以上次分割的 4 個檔案取代清單中的 2 列嗎？"),
         true},
    };
    auto* tabs = window_->findChild<QTabWidget*>("pcKivora");
    for (const Case& c : cases) {
      tabs->setCurrentIndex(0);
      std::vector<kivora::filelist::FileListRow> rows;
      for (const QString& name : c.names)
        rows.push_back({c.address.toStdString(), name.toStdString(), ""});
      Page().SetRows(rows);
      messages_.shown.clear();
      messages_.defaults.clear();
      messages_.answers = c.answers;
      tabs->setCurrentIndex(1);
      QCOMPARE(messages_.shown, c.question.isEmpty() ? QStringList() : QStringList{c.question});
      if (!c.question.isEmpty()) QCOMPARE(messages_.defaults, QList<Answer>{Answer::No});
      QCOMPARE(Column(1), c.replaced ? files : c.names);
      if (!c.address.isEmpty())
        QCOMPARE(Column(0).count(c.address), c.replaced ? 0 : int(c.names.size()));
    }
  }

  // A saved list, plain or distributed either way, opens back into the same rows.
  void listFileOpensBackIntoItsRows_data() {
    QTest::addColumn<int>("filter");
    QTest::newRow("plain") << 0;
    QTest::newRow("distributed ascending") << 1;
    QTest::newRow("distributed descending") << 2;
  }
  void listFileOpensBackIntoItsRows() {
    QFETCH(int, filter);
    const std::vector<kivora::filelist::FileListRow> rows{
        {"http://a/x/", "影片.kvr", ""},   {"http://a/x/", "影片00.png", "?k=1"},
        {"http://a/x/", "影片01.png", ""}, {"ftp://b/", "影片.kvr", ""},
        {"ftp://b/", "影片00.png", "#n"},  {"ftp://b/", "影片01.png", ""},
        {"https://c/", "影片.kvr", ""}};
    Page().SetRows(rows);
    messages_.listFiles = {std::pair(Path("list.txt"), filter)};
    Page().SaveList();
    messages_.shown.clear();
    Page().SetRows({{"typed/", "other.png", ""}});
    messages_.openFiles = {Path("list.txt")};
    messages_.answers = {Answer::Yes};                      // replace the typed row
    window_->findChild<QAction*>("miOpenList")->trigger();  // File > Open List
    QCOMPARE(messages_.shown.size(), 1);
    QVERIFY(Page().Rows() == rows);
  }

  void applyingAnAddressAndExtraInfo() {
    Fill(5, 1000);
    List().topLevelItem(1)->setSelected(true);
    List().topLevelItem(3)->setSelected(true);
    AddressBox()->setEditText("abc");
    QTest::keyClick(AddressBox()->lineEdit(), Qt::Key_Return);  // Enter applies
    QCOMPARE(AddressBox()->currentText(), QStringLiteral("abc/"));
    QCOMPARE(Column(0), (QStringList{"", "abc/", "", "abc/", ""}));
    ExtraBox()->setEditText("?x=1");
    QTest::keyClick(ExtraBox()->lineEdit(), Qt::Key_Return);
    QCOMPARE(Column(2), (QStringList{"", "?x=1", "", "?x=1", ""}));
    // The histories grow at opposite ends.
    AddressBox()->setEditText("b/");
    Page().ApplyAddress();
    ExtraBox()->setEditText("?y");
    Page().ApplyExtra();
    QCOMPARE(Page().Addresses(), (QStringList{"abc/", "b/"}));
    QCOMPARE(Page().Extras(), (QStringList{"?y", "?x=1"}));
    // Nothing selected: (411).
    List().clearSelection();
    Page().ApplyAddress();
    QCOMPARE(messages_.shown.last(), QStringLiteral("請選擇清單...(411)"));
  }

  void selectAllActsOnEveryRowButDeletesTheSelected() {
    Fill(200, 1000);
    Page().SelectAllRows();
    const qsizetype visible = List().selectedItems().size();
    QVERIFY2(visible > 0 && visible < 200, qPrintable(QString::number(visible)));
    QVERIFY(Summary().startsWith(QStringLiteral("選取數: 200/200")));
    AddressBox()->setEditText("all/");
    Page().ApplyAddress();
    QCOMPARE(Column(0).count(QStringLiteral("all/")), 200);
    // One line down selects one more row; the flag stands for the rest.
    List().verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCoreApplication::processEvents();  // the selection follows in the next pass
    QCOMPARE(List().selectedItems().size(), visible + 1);
    messages_.answers = {Answer::Yes};
    Page().DeleteRows();
    QCOMPARE(List().topLevelItemCount(), 200 - visible - 1);
  }

  void addingInsertsAfterTheFirstSelectedRow() {
    Fill(10, 1000);
    Page().findChild<QComboBox*>("cobAddress")->setEditText("http://typed/");
    List().topLevelItem(3)->setSelected(true);
    List().topLevelItem(7)->setSelected(true);
    QTimer::singleShot(0, [] {
      QWidget* editor = QApplication::activeModalWidget();
      QVERIFY(editor);
      editor->findChild<QComboBox*>("cobAddressEdit")->setEditText("new");
      editor->findChild<QComboBox*>("cobFileNameEdit")->setEditText("added.png");
      QTest::mouseClick(editor->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
    });
    Page().AddRow();
    QCOMPARE(List().topLevelItem(4)->text(0), QStringLiteral("new/"));
    QCOMPARE(List().topLevelItem(4)->text(1), QStringLiteral("added.png"));
    QVERIFY(Page().Addresses().contains(QStringLiteral("new/")));
    QCOMPARE(Page().Extras(), QStringList{QString()});  // an empty extra info joins its history
    // The page's own field keeps what was typed there.
    QCOMPARE(Page().findChild<QComboBox*>("cobAddress")->currentText(),
             QStringLiteral("http://typed/"));
  }

  void selectionSummaryInKilobytes() {
    Fill(6, 1000000);
    Page().SetActive(true);
    List().topLevelItem(0)->setSelected(true);
    List().topLevelItem(1)->setSelected(true);
    QCOMPARE(Summary(), QStringLiteral("選取數: 2/6    選取大小: 1,953KB"));
    messages_.answers = {Answer::Yes};
    Page().DeleteRows();
    QCOMPARE(Summary(), QStringLiteral("選取數: 0/4    選取大小: 0KB"));
  }

  // The menu's copy and Ctrl+C put the selected rows on the clipboard. With none selected,
  // the current row aside, the menu's copy empties it and Ctrl+C (the command disabled)
  // leaves it alone.
  void copyTakesTheActingRows_data() {
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("withoutSelection");
    QTest::newRow("menu") << false << QString();
    QTest::newRow("ctrl+c") << true << QStringLiteral("old");
  }
  void copyTakesTheActingRows() {
    QFETCH(bool, byKey);
    QFETCH(QString, withoutSelection);
    const auto copy = [&] {
      if (!byKey) return Page().CopyRows();
      Page().UpdateMenu();
      QTest::keyClick(&List(), Qt::Key_C, Qt::ControlModifier);
    };
    Fill(3, 10);
    QGuiApplication::clipboard()->setText("old");
    List().setFocus();
    List().selectionModel()->setCurrentIndex(List().model()->index(1, 1),
                                             QItemSelectionModel::NoUpdate);
    copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), withoutSelection);
    List().topLevelItem(0)->setText(0, "a/");
    List().topLevelItem(2)->setText(0, "a/");
    List().topLevelItem(2)->setText(2, "?q");
    List().topLevelItem(0)->setSelected(true);
    List().topLevelItem(2)->setSelected(true);
    copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a/p0.png\r\na/p2.png?q\r\n"));
  }

  // A row of underscores shows ink that stays inside its row.
  void rowsShowUnderscores() {
    Fill(2, 10);
    List().topLevelItem(0)->setText(1, "________");
    QApplication::processEvents();
    const QRect cell = List().visualRect(List().model()->index(0, 1));
    const QImage image = List().viewport()->grab(cell).toImage();
    int lowestInk = -1;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 160) lowestInk = y;
    QVERIFY2(lowestInk >= 0 && lowestInk < image.height() - 1,
             qPrintable(QString::number(lowestInk)));
  }

  void savingWritesTheListFile() {
    Page().SaveList();
    QCOMPARE(messages_.shown.last(), QStringLiteral("沒有任何的檔案清單。"));
    Page().SetRows({{"A/", "影片00.png", ""},
                    {"A/", "影片01.png", ""},
                    {"A/", "影片02.png", ""},
                    {"B/", "影片00.png", ""},
                    {"b/", "影片01.png", "?x"}});
    messages_.listFiles = {std::pair(Path("list.txt"), 1)};  // distributed, ascending
    Page().SaveList();
    QCOMPARE(messages_.shown.last(), "已儲存 5 列的檔案清單：\n" + Path("list.txt"));
    QFile file(Path("list.txt"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // Two addresses (B/ and b/ are one): rows 0, 3, 1, 4, 2, in the locale's encoding
    // (UTF-8 in the tests) with CR LF.
    const QByteArray name = QStringLiteral("影片").toUtf8();
    QCOMPARE(file.readAll(),
             QByteArray("A/" + name + "00.png\r\nB/" + name + "00.png\r\nA/" + name +
                        "01.png\r\nb/" + name + "01.png?x\r\nA/" + name + "02.png\r\n"));
    Page().SetRows({{"", "x.png", ""}});
    Page().SaveList();
    QCOMPARE(messages_.shown.last(), QStringLiteral("位址或檔名欄位是空白的。"));
  }

  // The rows of the set's files at the addresses of `url`.
  void RowsAt(const std::string& url) {
    std::vector<kivora::filelist::FileListRow> rows;
    for (const char* name :
         {"movie.kvr", "movie00.png", "movie01.png", "movie02.png", "movie_rec00.png"})
      rows.push_back({url, name, ""});
    Page().SetRows(rows);
  }

  // The fetch names its folder, hands the set to the join page and, on Yes, joins it.
  void fetchBringsTheSetFromTheRowsAddresses() {
    SplitThreeParts(false, 1);
    const std::filesystem::path root = dir_->path().toStdString();
    std::filesystem::create_directories(root / "nginx");
    kivora::test::NginxServer nginx(root / "nginx", {root});
    if (!nginx.Running()) QSKIP(nginx.Why().c_str());
    RowsAt(nginx.Url(0));
    messages_.folders = {Path("out")};
    messages_.answers = {Answer::Yes};  // join it now
    QTest::mouseClick(window_->findChild<QPushButton*>("btnFetch"), Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QCOMPARE(messages_.shown.size(), 3);  // the split's closing, the offer, the join's closing
    QVERIFY(messages_.shown[1].startsWith(QStringLiteral("這組分割檔已下載到資料夾：\n") +
                                          Path("out")));
    QCOMPARE(window_->findChild<QLineEdit*>("edtJointFileName")->text(), Path("out/movie.kvr"));
    QCOMPARE(messages_.shown.last(), QStringLiteral("合併已完成。"));
    QVERIFY(kivora::test::ReadBytes(root / "out" / "movie.avi") ==
            kivora::test::ReadBytes(root / "movie.avi"));
  }

  // While a fetch runs, the window shows its progress, nothing else can start, and its
  // 放棄 ends it.
  void fetchAtWorkShowsItselfAndStops() {
    SplitThreeParts(false, 1);
    const std::filesystem::path root = dir_->path().toStdString();
    std::filesystem::create_directories(root / "nginx");
    kivora::test::NginxServer nginx(root / "nginx", {root});
    if (!nginx.Running()) QSKIP(nginx.Why().c_str());
    // Holds every connection once the definition and a little of the parts went through.
    const kivora::test::CuttingProxy proxy(
        nginx.Port(0), 0, 0,
        static_cast<long>(std::filesystem::file_size(root / "movie.kvr")) + 4000);
    RowsAt(proxy.Url());
    messages_.folders = {Path("out")};
    auto* fetch = window_->findChild<QPushButton*>("btnFetch");
    auto* abort = window_->findChild<QPushButton*>("btnFetchAbort");
    auto* pages = window_->findChild<QTabWidget*>("pcDevideJoint");
    auto* progress = window_->findChild<QStatusBar*>("sbStatus")->findChildren<QLabel*>().value(1);
    QTest::mouseClick(fetch, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return proxy.Holding() && !progress->text().isEmpty(); }, 30000));
    QVERIFY(abort->isEnabled() && !fetch->isEnabled() && !pages->isEnabled());
    QVERIFY(progress->text().startsWith(QStringLiteral("下載數: ")));
    QTest::mouseClick(abort, Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QVERIFY(messages_.shown.last().startsWith(QStringLiteral("下載已中斷")));
    QVERIFY(fetch->isEnabled() && !abort->isEnabled() && pages->isEnabled());
  }

  // The send puts every file on every host and the rows become the list of those copies.
  void sendPutsTheSetOnItsHostsAndListsTheirAddresses() {
    SplitThreeParts(false, 1);
    const std::filesystem::path hosts = Path("hosts").toStdString();
    for (const char* folder : {"nginx", "dav0", "dav1"})
      std::filesystem::create_directories(hosts / folder);
    kivora::test::DavServer dav(hosts / "nginx", {{hosts / "dav0"}, {hosts / "dav1"}});
    if (!dav.Running()) QSKIP(dav.Why().c_str());
    const QStringList urls{QString::fromStdString(dav.Url(0) + "sets/"),
                           QString::fromStdString(dav.Url(1) + "a/b/")};
    SendTo(urls);
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QSet<QString> expected;
    for (const auto& [name, bytes] : SetFiles()) {
      for (const auto& [host, folder] : {std::pair{0, "dav0/sets"}, std::pair{1, "dav1/a/b"}}) {
        QVERIFY(kivora::test::ReadBytes(hosts / folder / name) == bytes);
        expected.insert(urls[host] + QString::fromStdString(name));
      }
    }
    const QStringList addresses = Column(0), names = Column(1);
    QSet<QString> listed;
    for (qsizetype row = 0; row < addresses.size(); ++row)
      listed.insert(addresses[row] + names[row]);
    QCOMPARE(addresses.size(), expected.size());
    QCOMPARE(listed, expected);
  }

  // 放棄 stops a send in the middle of a file, which is under its hidden name only.
  void abortingASendLeavesNoPartialFileUnderItsName() {
    SplitThreeParts(false, 0);
    const std::filesystem::path ftp = Path("ftp").toStdString();
    std::filesystem::create_directories(ftp);
    kivora::test::FtpServer slow(ftp, Path("ftp.log").toStdString(), {"--rate", "4096"});
    if (!slow.Running()) QSKIP(slow.Why().c_str());
    SendTo({QString::fromStdString(slow.Url())});
    auto* send = window_->findChild<QPushButton*>("btnSend");
    auto* abort = window_->findChild<QPushButton*>("btnFetchAbort");
    auto* pages = window_->findChild<QTabWidget*>("pcDevideJoint");
    QVERIFY(QTest::qWaitFor(
        [&] {
          if (!abort->isEnabled()) return false;
          for (const auto& [name, bytes] : kivora::test::FolderContent(ftp))
            if (name.starts_with(".kvsend.") && !bytes.empty()) return true;
          return false;
        },
        30000));
    QVERIFY(abort->isEnabled() && !send->isEnabled() && !pages->isEnabled());
    QTest::mouseClick(abort, Qt::LeftButton);
    QVERIFY(kivora::ui::test::WaitUntilIdle(*window_));
    QVERIFY(messages_.shown.last().startsWith(QStringLiteral("上傳已中斷")));
    QVERIFY(send->isEnabled() && !abort->isEnabled() && pages->isEnabled());
    const kivora::test::FolderFiles set = SetFiles();
    for (const auto& [name, bytes] : kivora::test::FolderContent(ftp))
      if (set.contains(name)) QVERIFY(bytes == set.at(name));
  }
};

QTEST_MAIN(FileListPageTest)
#include "test_file_list_page.moc"
