// The window on the offscreen platform: dropping files, deleting entries, building.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

#include "kvrpack/BuilderMessages.h"
#include "kvrpack/PluginBuilderWindow.h"
#include "pendant/PeResources.h"
#include "tests/gui/MarkingTranslator.h"
#include "tests/kvrpack/KvrpackTestSupport.h"

namespace kvrpack {
namespace {

using kivora::pendant::PeResources;

QString Q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

template <class T>
T* Child(const QWidget& form, const QString& name) {
  auto* child = form.findChild<T*>(name);
  if (!child) qFatal("no widget %s", qPrintable(name));
  return child;
}

void Click(const QWidget& form, const char* button) {
  QTest::mouseClick(Child<QPushButton>(form, QString::fromLatin1(button)), Qt::LeftButton);
}

// Drags `mime` over the list and drops it; returns whether the drag was offered a copy.
bool DragAndDrop(QListWidget* list, const QMimeData& mime) {
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
  QCoreApplication::sendEvent(list->viewport(), &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                  Qt::NoModifier);
  QCoreApplication::sendEvent(list->viewport(), &drop);
  return enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
}

bool DropFiles(QListWidget* list, const QStringList& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& p : paths) urls.append(QUrl::fromLocalFile(p));
  mime.setUrls(urls);
  return DragAndDrop(list, mime);
}

QStringList Entries(const QListWidget* list) {
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) entries.append(list->item(i)->text());
  return entries;
}

}  // namespace

class PluginBuilderWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void dropTakesFileListsAndDeleteRemovesTheSelection() {
    test::TempFolder program;
    PluginBuilderWindow form(program.path());
    auto* list = Child<QListWidget>(form, "KVRList");
    QMimeData text;
    text.setText(QStringLiteral("/pics/a1.png"));
    QVERIFY(!DragAndDrop(list, text));
    QCOMPARE(list->count(), 0);

    QVERIFY(DropFiles(list, {"/pics/a1.png", "/my pics/a-1.png"}));
    QVERIFY(DropFiles(list, {"/pics/圖 한.png", "/pics/a1.png"}));
    QCOMPARE(Entries(list),
             (QStringList{"/pics/a1.png", "/my pics/a-1.png", "/pics/圖 한.png", "/pics/a1.png"}));

    list->item(0)->setSelected(true);
    list->item(2)->setSelected(true);
    Click(form, "DeleteButton");
    QCOMPARE(Entries(list), (QStringList{"/my pics/a-1.png", "/pics/a1.png"}));
  }

  // Two paths dropped, the second with a blank, a hyphen and a Chinese letter; one more;
  // the first deleted; built.
  void buildWritesTheScriptAndTheDllInTheProgramFolder() {
    test::TempFolder program;
    test::TempFolder pictures;
    const auto first = pictures / "first.png";
    const auto second = pictures / "second 2-圖.png";
    const auto third = pictures / "third.png";
    test::WriteFile(first, test::PictureBytes(700, 1));
    test::WriteFile(second, test::PictureBytes(800, 2));
    test::WriteFile(third, test::PictureBytes(900, 3));
    PluginBuilderWindow form(program.path());
    auto* list = Child<QListWidget>(form, "KVRList");
    DropFiles(list, {Q(first), Q(second)});
    DropFiles(list, {Q(third)});
    QCOMPARE(Entries(list), (QStringList{Q(first), Q(second), Q(third)}));
    list->item(0)->setSelected(true);
    Click(form, "DeleteButton");

    const QStringList texts = {"Sample", "1.0", "png", "me"};
    for (int i = 0; i < texts.size(); ++i) {
      QTest::keyClicks(Child<QLineEdit>(form, "OptText" + QString::number(i)), texts[i]);
    }
    auto* comment = Child<QPlainTextEdit>(form, "OptText4");
    comment->setPlainText(QStringLiteral("test"));
    Click(form, "Command1");

    QCOMPARE(test::ReadText(program / "template.rc"),
             "STRINGTABLE\r\n{\r\n511, \t\"Sample\"\r\n}\r\n\r\n"
             "STRINGTABLE\r\n{\r\n512, \t\"1.0\"\r\n513, \t\"png\"\r\n"
             "514, \t\"me\"\r\n515, \t\"test\"\r\n}\r\n\r\n\r\n101 KVR \"" +
                 pictures.path().string() + "/second 2-\\345\\234\\226.png\"\r\n102 KVR \"" +
                 third.string() + "\"\r\n");
    const test::Bytes dll = test::ReadFile(program / "template.dll");
    const auto parsed = PeResources::Parse(dll);
    QVERIFY(parsed.Ok());
    QCOMPARE(parsed->KvrIds(), (std::vector<int>{101, 102}));
    const test::Bytes thirdBytes = test::ReadFile(third);
    QVERIFY(std::equal(thirdBytes.begin(), thirdBytes.end(), parsed->Kvr(102)->begin(),
                       parsed->Kvr(102)->end()));
    QCOMPARE(parsed->String(511), std::optional<std::u16string>(u"Sample"));
    QVERIFY(Child<QLabel>(form, "StatusLine")->text().contains(Q(program / "template.dll")));

    // The list and texts stay for a further build; a line break of the comment is
    // stored the Windows way and written escaped.
    comment->setPlainText(QStringLiteral("line 1\nline 2"));
    Click(form, "Command1");
    const test::Bytes rebuilt = test::ReadFile(program / "template.dll");
    const auto again = PeResources::Parse(rebuilt);
    QVERIFY(again.Ok());
    QCOMPARE(again->KvrIds(), (std::vector<int>{101, 102}));
    QCOMPARE(again->String(515), std::optional<std::u16string>(u"line 1\r\nline 2"));
    QVERIFY(test::ReadText(program / "template.rc").find("515, \t\"line 1\\r\\nline 2\"\r\n") !=
            std::string::npos);
    QCOMPARE(test::FileNames(program.path()),
             (std::vector<std::string>{"template.dll", "template.rc"}));
  }

  // The Traditional Chinese texts are the source language of the window's translations.
  void everyTextOfTheWindowCanBeTranslated() {
    kivora::test::MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    test::TempFolder program;
    PluginBuilderWindow form(program.path());
    QCoreApplication::removeTranslator(&translator);
    const QString marked = QStringLiteral("[kvrpack::PluginBuilderWindow] ");
    QCOMPARE(form.windowTitle(), marked + "kvrpack");
    QCOMPARE(Child<QLabel>(form, "L1")->text(), marked + "版本: ( 數字亦可 )");
    QCOMPARE(kivora::test::UnmarkedTexts(form, marked), QStringList());
  }

  void emptyListIsRefusedWithAMessage() {
    test::TempFolder program;
    PluginBuilderWindow form(program.path());
    form.show();
    Click(form, "Command1");
    auto* box = form.findChild<QMessageBox*>(QStringLiteral("BuildMessage"));
    QVERIFY(box && box->isVisible());
    const QString message = QString::fromStdString(messages::EmptyList().Chinese());
    QCOMPARE(box->text(), message);
    QCOMPARE(Child<QLabel>(form, "StatusLine")->text(), message);
    QVERIFY(test::FileNames(program.path()).empty());
    box->close();
  }
};

}  // namespace kvrpack

QTEST_MAIN(kvrpack::PluginBuilderWindowTest)
#include "test_plugin_builder_window.moc"
