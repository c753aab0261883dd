// The window's own questions about a join's output: the buttons each offers, which is the
// default, and what each answer keeps.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <sstream>

#include "app/cli/Cli.h"
#include "tests/gui/ScriptedMessages.h"
#include "tests/gui/TestEnvironment.h"
#include "tests/support/TestSupport.h"
#include "ui/window/MainWindow.h"

using namespace kivora::ui;
using kivora::Answer;
using Choices = QList<std::pair<Answer, QString>>;

namespace {

// Records each box whole, answers a notice with buttons of its own by `notice`, and
// records what would be opened on the desktop instead of opening it.
class BoxRecorder : public test::ScriptedMessages {
 public:
  QList<BoxMessage> boxes;
  std::optional<Answer> notice;
  QStringList saveStarts;
  QList<QUrl> opened;

  Answer Show(QWidget* parent, const BoxMessage& message) override {
    boxes << message;
    const Answer scripted = ScriptedMessages::Show(parent, message);
    if (message.withNo || message.choices.isEmpty() || !notice) return scripted;
    return *std::exchange(notice, std::nullopt);
  }
  std::optional<QString> SaveFileName(QWidget* parent, const QString& start, const QString& filter,
                                      const QString& suffix) override {
    saveStarts << start;
    return ScriptedMessages::SaveFileName(parent, start, filter, suffix);
  }
  void OpenUrl(const QUrl& url) override { opened << url; }
};

}  // namespace

class WindowQuestionsTest : public QObject {
  Q_OBJECT

 private slots:
  void joinedFileThatExistsIsReplacedSavedAsOrKept() {
    struct Case {
      const char* name;
      Answer replaceQuestion;  // 取代 No, 另存新檔 Yes, 取消 Cancel
      Answer closingNotice;    // 確定 Yes, 開啟資料夾 No
      bool oldKept;            // out/movie.avi is still the file that was there
      bool savedAs;            // the join went to "movie (2).avi"
    };
    for (const Case& c :
         {Case{"replace, then OK", Answer::No, Answer::Yes, false, false},
          Case{"save as, then open the folder", Answer::Yes, Answer::No, true, true},
          Case{"cancel", Answer::Cancel, Answer::Yes, true, false}}) {
      QTemporaryDir dir;
      const auto path = [&](const QString& name) { return dir.path() + "/" + name; };
      kivora::test::WriteBytes(path("movie.avi").toStdString(),
                               kivora::test::RandomBytes(30000, 4));
      std::ostringstream out, err;
      kivora::cli::Context context{out, err, false, false};
      QCOMPARE(kivora::cli::Run({"split", path("movie.avi").toStdString(), "-s", "10"}, context),
               0);
      QDir().mkpath(path("out"));
      const std::vector<std::uint8_t> old{1, 2, 3};
      kivora::test::WriteBytes(path("out/movie.avi").toStdString(), old);
      BoxRecorder messages;
      messages.answers = {c.replaceQuestion};
      messages.notice = c.closingNotice;
      messages.saveFiles = {path("out/movie (2).avi")};
      MainWindow window(messages, test::TestEnvironment(dir.path()));
      window.findChild<QLineEdit*>("edtJointFileName")->setText(path("movie.kvr"));
      window.findChild<QComboBox*>("cobJointSaveAs")->setCurrentText(path("out"));
      QTest::mouseClick(window.findChild<QPushButton*>("btnJoint"), Qt::LeftButton);
      QVERIFY2(test::WaitUntilIdle(window), c.name);
      const BoxMessage& question = messages.boxes.value(0);
      QCOMPARE(question.text,
               path("out/movie.avi") + "\n相同的檔案名稱已經存在。要取代它，還是另存新檔？");
      QCOMPARE(question.choices, (Choices{{Answer::No, "取代(&R)"},
                                          {Answer::Yes, "另存新檔(&S)…"},
                                          {Answer::Cancel, "取消"}}));
      QCOMPARE(question.defaultButton, Answer::Yes);  // save as: nothing is lost by Enter
      QCOMPARE(kivora::test::ReadBytes(path("out/movie.avi").toStdString()) == old, c.oldKept);
      QCOMPARE(QFile::exists(path("out/movie (2).avi")), c.savedAs);
      // Save as proposes a free name with the file's extension.
      QCOMPARE(messages.saveStarts,
               c.savedAs ? QStringList{path("out/movie (2).avi")} : QStringList());
      QCOMPARE(messages.boxes.size(), c.replaceQuestion == Answer::Cancel ? 1 : 2);
      if (c.replaceQuestion == Answer::Cancel) continue;
      // The closing notice names what was made and where, and offers the folder.
      const BoxMessage& closing = messages.boxes.value(1);
      QCOMPARE(closing.text, QStringLiteral("合併已完成。"));
      QVERIFY2(closing.details.contains(QDir::toNativeSeparators(path("out"))), c.name);
      QCOMPARE(closing.choices, (Choices{{Answer::Yes, "確定"}, {Answer::No, "開啟資料夾(&O)"}}));
      QCOMPARE(messages.opened, c.closingNotice == Answer::No
                                    ? QList<QUrl>{QUrl::fromLocalFile(path("out"))}
                                    : QList<QUrl>());
    }
  }
};

QTEST_MAIN(WindowQuestionsTest)
#include "test_window_questions.moc"
