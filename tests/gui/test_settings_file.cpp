#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ui/settings/SettingsFile.h"

namespace kivora::ui {
namespace {

class SettingsFileTest : public testing::Test {
 protected:
  QString Path() const { return dir_.filePath(QStringLiteral("kivora.ini")); }
  void WriteText(const QByteArray& text) const {
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QByteArray ReadText() const {
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  KivoraSettings LoadText(const QByteArray& text) const {
    WriteText(text);
    return LoadSettings(Path());
  }

  QTemporaryDir dir_;
};

TEST_F(SettingsFileTest, FirstStartWithoutFileGivesDefaults) {
  const KivoraSettings s = LoadSettings(Path());
  EXPECT_EQ(s.top, 0);
  EXPECT_EQ(s.left, 0);
  EXPECT_EQ(s.activePage, 0);
  EXPECT_EQ(s.fileSize, 500);
  EXPECT_EQ(s.splitSaveFolder, 0);
  EXPECT_TRUE(s.randomSize);
  EXPECT_EQ(s.firstNumber, 0);
  EXPECT_EQ(s.extension, "png");
  EXPECT_FALSE(s.kvrExtension);
  EXPECT_TRUE(s.kivora);
  EXPECT_FALSE(s.usePlugin);
  EXPECT_FALSE(s.implant);
  EXPECT_TRUE(s.associateKivora);
  EXPECT_TRUE(s.addresses.isEmpty());
  EXPECT_EQ(s, KivoraSettings{});
}

TEST_F(SettingsFileTest, NewFileHoldsEveryKeyInOrder) {
  KivoraSettings s;
  s.top = -20;
  s.left = 310;
  s.activePage = 2;
  s.fileSize = 1440;
  s.splitSaveFolder = 1;
  s.splitSavePath = QStringLiteral("/media/usb/分割");
  s.firstNumber = 1;
  s.extension = QStringLiteral("zip");
  s.pluginName = QStringLiteral("myset.dll");
  s.usePlugin = true;
  s.recoveryCount = 5;
  s.splitLastFolder = QStringLiteral("/home/u/影片");
  s.joinSaveFolder = 1;
  s.joinSavePath = QStringLiteral("/tmp/out");
  s.resplitSaveFolder = 1;
  s.resplitSavePath = QStringLiteral("/tmp/re");
  s.resplitLastFolder = QStringLiteral("/tmp/sets");
  s.addresses = {QStringLiteral("http://a.example/?x=1"), QString()};
  s.moreInfo = {QStringLiteral("說明")};
  ASSERT_TRUE(SaveSettings(Path(), s));
  EXPECT_EQ(
      QString::fromUtf8(ReadText()),
      QStringLiteral(
          "[Window]\nTop=-20\nLeft=310\nActivePage=2\n\n"
          "[Divide]\nFileSize=1440\nDivideSaveFolder=1\n"
          "DivideSavePath=/media/usb/分割\nRandomSize=1\nDivideName=1\n"
          "Extention=zip\nKvrExtention=0\nKivora=1\nPluginName=myset.dll\n"
          "UsePlugin=1\nInplant=0\nEncrypt=0\nRecoveryCount=5\nLastFolder=/home/u/影片\n\n"
          "[Joint]\nJointSaveFolder=1\nJointSavePath=/tmp/out\nAssociateKivora=1\n\n"
          "[Redivide]\nRedivideSaveFolder=1\nRedivideSavePath=/tmp/re\nLastFolder=/tmp/sets\n\n"
          "[Address]\nAddress0=http://a.example/?x=1\nAddress1=\n\n"
          "[MoreInfo]\nMoreInfo0=說明\n"));
  EXPECT_EQ(LoadSettings(Path()), s);
  // Saving the same values again changes nothing.
  const QByteArray first = ReadText();
  ASSERT_TRUE(SaveSettings(Path(), s));
  EXPECT_EQ(ReadText(), first);
}

TEST_F(SettingsFileTest, SaveKeepsWhatItDoesNotWrite) {
  WriteText(
      "; edited by hand\r\n[Window]\r\nTop=5\r\n[Divide]\r\nDivideSavePath=/old/parts\r\n"
      "DivideName=1\r\nCustom=keep me\r\n[Address]\r\nAddress0=old0\r\nAddress1=old1\r\n"
      "Address2=old2\r\n[Other]\r\nx=y");  // no line end after the last line
  KivoraSettings s;
  s.top = 7;
  s.splitSavePath = QStringLiteral("/not/written");  // its box is on the first entry
  s.firstNumber.reset();
  s.addresses = {QStringLiteral("a"), QStringLiteral("b")};
  ASSERT_TRUE(SaveSettings(Path(), s));
  EXPECT_EQ(ReadText(),
            "; edited by hand\r\n[Window]\r\nTop=7\r\nLeft=0\r\nActivePage=0\r\n"
            "[Divide]\r\nDivideSavePath=/old/parts\r\nDivideName=1\r\nCustom=keep me\r\n"
            "FileSize=500\r\nDivideSaveFolder=0\r\nRandomSize=1\r\nExtention=png\r\n"
            "KvrExtention=0\r\nKivora=1\r\nPluginName=\r\nUsePlugin=0\r\nInplant=0\r\nEncrypt=0\r\n"
            "RecoveryCount=0\r\n"
            "[Address]\r\nAddress0=a\r\nAddress1=b\r\nAddress2=old2\r\n[Other]\r\nx=y\r\n\r\n"
            "[Joint]\r\nJointSaveFolder=0\r\nAssociateKivora=1\r\n\r\n"
            "[Redivide]\r\nRedivideSaveFolder=0\r\n");
  const KivoraSettings back = LoadSettings(Path());
  EXPECT_EQ(back.splitSavePath, "/old/parts");
  EXPECT_EQ(back.splitSaveFolder, 0);
  EXPECT_EQ(back.firstNumber, 1);
  EXPECT_EQ(back.addresses, QStringList({"a", "b", "old2"}));
}

// The send's hosts are those of the last send: a shorter list leaves none of the longer.
TEST_F(SettingsFileTest, SendHostsAreTheLastSendsOnly) {
  KivoraSettings s;
  s.sendHosts = {QStringLiteral("https://a.example/sets/"), QStringLiteral("sftp://b.example/x/"),
                 QStringLiteral("s3://c/")};
  for (int saves = 0; saves < 2; ++saves) {
    ASSERT_TRUE(SaveSettings(Path(), s));
    EXPECT_EQ(LoadSettings(Path()).sendHosts, s.sendHosts);
    s.sendHosts.removeFirst();
  }
}

TEST_F(SettingsFileTest, ReadingToleratesHandEditsAndBadValues) {
  const KivoraSettings s = LoadText(
      "\xEF\xBB\xBF[window]\n top = 12 \nActivePage=3\n[Divide]\nFileSize=0\nRandomSize=2\n"
      "Kivora=0\nKvrExtention=yes\nDivideName=2\nUsePlugin=-1\nextention =  ZIP  \n"
      "[Joint]\nJointSaveFolder=abc\nAssociateKivora=0\n");
  // Only these differ from the defaults: the bad values of the others fell back.
  KivoraSettings expected;
  expected.top = 12;
  expected.kivora = expected.associateKivora = false;
  expected.firstNumber.reset();
  expected.usePlugin = true;
  expected.extension = QStringLiteral("ZIP");
  EXPECT_EQ(s, expected);

  const std::pair<const char*, int> sizes[] = {
      {"1", 1},    {"32767", 32767}, {"32768", 500},      {"-5", 500},
      {"5k", 500}, {"", 500},        {"99999999999", 500}};
  for (const auto& [text, size] : sizes) {
    EXPECT_EQ(LoadText(QByteArray("[Divide]\nFileSize=") + text).fileSize, size) << text;
  }
  EXPECT_EQ(LoadText("[Window]\nActivePage=2\n").activePage, 2);
  EXPECT_EQ(LoadText("[Window]\nActivePage=-1\n").activePage, 0);
  EXPECT_EQ(LoadText("[Divide]\nDivideName=abc\n").firstNumber, 0);
  EXPECT_EQ(LoadText("[Divide]\nExtention=\n").extension, "");
  EXPECT_EQ(LoadText("[Divide]\nRecoveryCount=255\n").recoveryCount, 0);
}

TEST_F(SettingsFileTest, HistoriesFollowFileOrderNotKeyNames) {
  const KivoraSettings s = LoadText(
      "[Address]\nAddress1=second\n\n; note\nAddress0=first\nurl=http://b/?q=1=2\n"
      "[MoreInfo]\nMoreInfo0= spaced \n[Window]\nTop=1\n[address]\nAddress9=later\n");
  EXPECT_EQ(s.addresses, QStringList({"second", "first", "http://b/?q=1=2", "later"}));
  EXPECT_EQ(s.moreInfo, QStringList({" spaced "}));
}

TEST_F(SettingsFileTest, WritesIntoNewFoldersAndFailsWithoutThrowing) {
  const QString nested = dir_.filePath(QStringLiteral("config/kivora/kivora.ini"));
  EXPECT_TRUE(SaveSettings(nested, KivoraSettings{}));
  EXPECT_TRUE(QFile::exists(nested));
  // A path below a regular file can never be written.
  EXPECT_FALSE(SaveSettings(nested + QStringLiteral("/kivora.ini"), KivoraSettings{}));
  EXPECT_EQ(LoadSettings(nested + QStringLiteral("/kivora.ini")), KivoraSettings{});
}

TEST_F(SettingsFileTest, PathIsBesideAPortableProgramElseInTheConfigFolder) {
  const QString config = dir_.filePath(QStringLiteral("config"));
  const auto place = [](const QString& folder) { return platform::PlaceOf(folder.toStdString()); };
  EXPECT_EQ(SettingsPathFor(place(dir_.path()), config),
            dir_.filePath(QStringLiteral("kivora.ini")));
  EXPECT_EQ(SettingsPathFor(place(dir_.filePath(QStringLiteral("gone"))), config),
            config + QStringLiteral("/kivora/kivora.ini"));
  // An install tree: <prefix>/bin beside <prefix>/share/kivora, writable or not.
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("usr/bin")));
  ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("usr/share/kivora")));
  EXPECT_EQ(SettingsPathFor(place(dir_.filePath(QStringLiteral("usr/bin"))), config),
            config + QStringLiteral("/kivora/kivora.ini"));
}

}  // namespace
}  // namespace kivora::ui
