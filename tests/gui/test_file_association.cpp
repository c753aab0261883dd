#include <gtest/gtest.h>

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "ui/settings/FileAssociation.h"

namespace kivora::ui {
namespace {

using Registration = FileAssociation::Registration;

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

// The default-application files the tests start from, and the line that makes this
// program the default for definitions.
const QByteArray kGeditDefault = "[Default Applications]\ntext/plain=gedit.desktop\n";
const QByteArray kOtherProgramsDefault =
    "[Default Applications]\napplication/x-kivora-definition=other.desktop\n";
const QByteArray kOurDefault = "application/x-kivora-definition=kivora.desktop\n";

bool HaveTool(const char* name) {
  return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

class FileAssociationTest : public testing::Test {
 protected:
  AssociationPlaces Places() const {
    return {dir_.filePath(QStringLiteral("data")), dir_.filePath(QStringLiteral("config"))};
  }
  FileAssociation For(const QString& program) const { return FileAssociation(Places(), program); }
  QString MimeApps() const { return dir_.filePath(QStringLiteral("config/mimeapps.list")); }
  QString GeneratedMimeType() const {
    return dir_.filePath(QStringLiteral("data/mime/application/x-kivora-definition.xml"));
  }
  void SetUp() override {
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("data/applications")));
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("config")));
  }

  QTemporaryDir dir_;
  const QString program_ = QStringLiteral("/opt/kivora apps/kivora");
};

TEST_F(FileAssociationTest, KeepCreatesTheAssociationOnceAndThenLeavesIt) {
  FileAssociation association = For(program_);
  EXPECT_EQ(association.Check(), Registration::None);
  ASSERT_TRUE(association.Keep());
  EXPECT_EQ(association.Check(), Registration::ThisProgram);

  const QString entry = QString::fromUtf8(ReadBytes(association.DesktopEntryPath()));
  EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n"))) << entry.toStdString();
  for (const char* line :
       {"Type=Application", "Name=Kivora", "Exec=\"/opt/kivora apps/kivora\" %f",
        "MimeType=application/x-kivora-definition;", "Icon=kivora", "Terminal=false"}) {
    EXPECT_TRUE(entry.split(u'\n').contains(QString::fromLatin1(line))) << line;
  }

  QXmlStreamReader xml(ReadBytes(association.MimePackagePath()));
  QString type, comment, glob;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"mime-type")
      type = xml.attributes().value(QStringLiteral("type")).toString();
    if (xml.name() == u"glob") glob = xml.attributes().value(QStringLiteral("pattern")).toString();
    if (xml.name() == u"comment") comment = xml.readElementText();
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(type, "application/x-kivora-definition");
  EXPECT_EQ(comment, QStringLiteral("KivoRa 定義檔"));
  EXPECT_EQ(glob, "*.kvr");
  EXPECT_EQ(ReadBytes(MimeApps()), "[Default Applications]\n" + kOurDefault);
  // The MIME database was rebuilt from the package, which proves the package valid.
  if (HaveTool("update-mime-database")) {
    EXPECT_TRUE(QFile::exists(GeneratedMimeType()));
  }

  const QByteArray before = ReadBytes(association.DesktopEntryPath());
  EXPECT_FALSE(association.Keep());
  EXPECT_EQ(ReadBytes(association.DesktopEntryPath()), before);
}

TEST_F(FileAssociationTest, KeepLeavesExistingPiecesAsTheyAre) {
  FileAssociation association = For(program_);
  const QByteArray foreign = "[Desktop Entry]\nName=Other\nExec=/usr/bin/other %f\n";
  WriteBytes(association.DesktopEntryPath(), foreign);
  WriteBytes(MimeApps(),
             "[Added Associations]\ntext/plain=gedit.desktop;\n\n"
             "[Default Applications]\ntext/plain=gedit.desktop\n\n[Other]\nx=1\n");
  EXPECT_TRUE(association.Keep());  // the MIME package and the default were missing
  EXPECT_EQ(ReadBytes(association.DesktopEntryPath()), foreign);
  EXPECT_TRUE(QFile::exists(association.MimePackagePath()));
  EXPECT_EQ(ReadBytes(MimeApps()),
            "[Added Associations]\ntext/plain=gedit.desktop;\n\n"
            "[Default Applications]\ntext/plain=gedit.desktop\n"
            "application/x-kivora-definition=kivora.desktop\n\n[Other]\nx=1\n");
  EXPECT_EQ(association.Check(), Registration::OtherProgram);

  // Another program as the type's default stays the default.
  WriteBytes(MimeApps(), kOtherProgramsDefault);
  EXPECT_FALSE(association.Keep());
  EXPECT_EQ(ReadBytes(MimeApps()), kOtherProgramsDefault);
}

TEST_F(FileAssociationTest, MovedProgramIsNoticedAndUpdateRepointsTheEntry) {
  ASSERT_TRUE(For(program_).Keep());
  FileAssociation old = For(program_);
  {
    QFile file(old.DesktopEntryPath());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("X-Custom=kept\n");
  }
  // Letter case counts: these are different files here.
  EXPECT_EQ(For(QStringLiteral("/OPT/kivora apps/kivora")).Check(), Registration::OtherProgram);

  FileAssociation moved = For(QStringLiteral("/home/u/新位置/kivora"));
  moved.SetIcon(QStringLiteral("/home/u/新位置/kivora.png"));
  EXPECT_EQ(moved.Check(), Registration::OtherProgram);
  ASSERT_TRUE(moved.Update());
  EXPECT_EQ(moved.Check(), Registration::ThisProgram);
  EXPECT_EQ(old.Check(), Registration::OtherProgram);

  const QStringList lines = QString::fromUtf8(ReadBytes(moved.DesktopEntryPath())).split(u'\n');
  EXPECT_TRUE(lines.contains(QStringLiteral("Exec=\"/home/u/新位置/kivora\" %f")));
  EXPECT_TRUE(lines.contains(QStringLiteral("Icon=/home/u/新位置/kivora.png")));
  EXPECT_TRUE(lines.contains(QStringLiteral("X-Custom=kept")));
  EXPECT_TRUE(lines.contains(QStringLiteral("Name=Kivora")));
  EXPECT_EQ(lines.filter(QStringLiteral("Exec=")).size(), 1);
}

TEST_F(FileAssociationTest, RemoveTakesEverythingAwayOnce) {
  WriteBytes(MimeApps(), kGeditDefault);
  FileAssociation association = For(program_);
  ASSERT_TRUE(association.Keep());
  EXPECT_TRUE(association.Remove());
  EXPECT_FALSE(QFile::exists(association.DesktopEntryPath()));
  EXPECT_FALSE(QFile::exists(association.MimePackagePath()));
  EXPECT_EQ(ReadBytes(MimeApps()), kGeditDefault);
  EXPECT_EQ(association.Check(), Registration::None);
  if (HaveTool("update-mime-database")) {
    EXPECT_FALSE(QFile::exists(GeneratedMimeType()));
  }

  EXPECT_FALSE(association.Remove());
  EXPECT_TRUE(association.Keep());
}

TEST_F(FileAssociationTest, ProgramPathsSurviveDesktopEntryQuoting) {
  const QString hard = QStringLiteral("/tmp/a b/k\"v$r\\a%.bin");
  for (const QString& program :
       {hard, QStringLiteral("/x/`id`/kivora"), QStringLiteral("/opt/分割 合併/kivora"),
        QStringLiteral("/usr/bin/kivora")}) {
    QTemporaryDir dir;
    FileAssociation association({dir.filePath(QStringLiteral("d")), dir.path()}, program);
    ASSERT_TRUE(association.Keep());
    EXPECT_EQ(association.Check(), Registration::ThisProgram) << program.toStdString();
    if (program == hard) {
      EXPECT_TRUE(
          QString::fromUtf8(ReadBytes(association.DesktopEntryPath()))
              .contains(QStringLiteral("\nExec=\"/tmp/a b/k\\\\\"v\\\\$r\\\\\\\\a%%.bin\" %f\n")));
    }
  }
  // An entry written by someone else, with the program unquoted.
  FileAssociation plain = For(QStringLiteral("/usr/bin/kivora"));
  WriteBytes(plain.DesktopEntryPath(), "[Desktop Entry]\nExec = /usr/bin/kivora %U\n");
  EXPECT_EQ(plain.Check(), Registration::ThisProgram);
  WriteBytes(plain.DesktopEntryPath(), "[Desktop Entry]\nName=no Exec\n");
  EXPECT_EQ(plain.Check(), Registration::OtherProgram);
}

TEST_F(FileAssociationTest, InstalledProgramSetsAndRemovesOnlyItsDefault) {
  const QString installed = dir_.filePath(QStringLiteral("usr/share"));
  AssociationPlaces places = Places();
  places.installedData = installed;
  FileAssociation association(places, QStringLiteral("/usr/bin/kivora"));
  // Without the installed entry and MIME package the user gets all three pieces.
  ASSERT_TRUE(QDir(installed).mkpath(QStringLiteral("applications")));
  WriteBytes(installed + QStringLiteral("/applications/kivora.desktop"), "[Desktop Entry]\n");
  EXPECT_FALSE(association.UsesInstalledEntry());
  ASSERT_TRUE(QDir(installed).mkpath(QStringLiteral("mime/packages")));
  WriteBytes(installed + QStringLiteral("/mime/packages/kivora.xml"), "<mime-info/>\n");
  ASSERT_TRUE(association.UsesInstalledEntry());

  WriteBytes(MimeApps(), kGeditDefault);
  ASSERT_TRUE(association.Keep());
  EXPECT_EQ(ReadBytes(MimeApps()), kGeditDefault + kOurDefault);
  EXPECT_FALSE(QFile::exists(association.DesktopEntryPath()));
  EXPECT_FALSE(QFile::exists(association.MimePackagePath()));
  EXPECT_FALSE(association.Keep());

  EXPECT_TRUE(association.Remove());
  EXPECT_EQ(ReadBytes(MimeApps()), kGeditDefault);
  EXPECT_FALSE(association.Remove());
  // Another program's default for the type is not this program's to remove.
  WriteBytes(MimeApps(), kOtherProgramsDefault);
  EXPECT_FALSE(association.Remove());
  EXPECT_FALSE(For(program_).Remove());
  EXPECT_EQ(ReadBytes(MimeApps()), kOtherProgramsDefault);
}

TEST_F(FileAssociationTest, FoldersThatCannotBeWrittenGiveFalse) {
  const QString file = dir_.filePath(QStringLiteral("plain-file"));
  WriteBytes(file, "x");
  FileAssociation association({file, file}, program_);
  EXPECT_FALSE(association.Keep());
  EXPECT_FALSE(association.Update());
  EXPECT_FALSE(association.Remove());
  EXPECT_EQ(association.Check(), Registration::None);
}

}  // namespace
}  // namespace kivora::ui
