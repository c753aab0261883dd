#include "ui/settings/FileAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

#include "ui/settings/IniText.h"
#include "ui/settings/TextFile.h"

namespace kivora::ui {
namespace {

constexpr QStringView kDesktopGroup = u"Desktop Entry";
constexpr QStringView kDefaultsGroup = u"Default Applications";
constexpr QStringView kDesktopFileName = u"kivora.desktop";
constexpr int kToolTimeoutMs = 10000;

QString MimeType() { return QString::fromLatin1(kKvrMimeType); }

// The installed MIME package, embedded from the same file.
QByteArray MimePackageXml() {
  QFile package(QStringLiteral(":/association/kivora.xml"));
  return package.open(QIODevice::ReadOnly) ? package.readAll() : QByteArray();
}

// A desktop entry string value writes these characters as a backslash and a letter
// ("\s" for a blank is read too).
constexpr std::pair<char16_t, char16_t> kValueEscapes[] = {
    {u'\\', u'\\'}, {u'\n', u'n'}, {u'\r', u'r'}, {u'\t', u't'}};

QString EscapeValue(QStringView text) {
  QString out;
  for (const QChar c : text) {
    const auto* escape = std::find_if(std::begin(kValueEscapes), std::end(kValueEscapes),
                                      [c](const auto& e) { return e.first == c; });
    if (escape != std::end(kValueEscapes)) out += u'\\';
    out += escape != std::end(kValueEscapes) ? QChar(escape->second) : c;
  }
  return out;
}

QString UnescapeValue(QStringView text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const QChar letter = text[++i];
    const auto* escape = std::find_if(std::begin(kValueEscapes), std::end(kValueEscapes),
                                      [letter](const auto& e) { return e.second == letter; });
    if (letter == u's') {
      out += u' ';
    } else if (escape != std::end(kValueEscapes)) {
      out += QChar(escape->first);
    } else {
      out += u'\\';
      out += letter;
    }
  }
  return out;
}

// The Exec value that starts program with the opened file: the path as one quoted
// argument, where '"', '`', '$' and '\' take a backslash and '%' is doubled so that it
// is not read as a field code; then the string value escapes on top.
QString ExecValue(const QString& program) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : program) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    if (c == u'%') quoted += u'%';
    quoted += c;
  }
  quoted += QStringLiteral("\" %f");
  return EscapeValue(quoted);
}

// The program an Exec value starts: its first argument, quoted or not. Empty when the
// value holds none.
std::optional<QString> ExecProgram(const QString& value) {
  const QString exec = UnescapeValue(value);
  qsizetype i = 0;
  while (i < exec.size() && exec[i].isSpace()) ++i;
  if (i == exec.size()) return std::nullopt;
  QString argument;
  if (exec[i] == u'"') {
    for (++i;; ++i) {
      if (i >= exec.size()) return std::nullopt;  // no closing quote
      if (exec[i] == u'"') break;
      if (exec[i] == u'\\' && i + 1 < exec.size()) ++i;
      argument += exec[i];
    }
  } else {
    while (i < exec.size() && !exec[i].isSpace()) argument += exec[i++];
  }
  return argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QByteArray NewDesktopEntry(const QString& program, const QString& icon) {
  IniText entry(Qt::CaseSensitive);
  const auto set = [&entry](QStringView key, const QString& value) {
    entry.SetValue(kDesktopGroup, key, value);
  };
  set(u"Type", QStringLiteral("Application"));
  set(u"Name", QStringLiteral("Kivora"));
  set(u"Exec", ExecValue(program));
  set(u"Icon", EscapeValue(icon));
  set(u"Terminal", QStringLiteral("false"));
  set(u"MimeType", MimeType() + u';');
  set(u"Categories", QStringLiteral("Utility;"));
  return entry.ToBytes();
}

// Deletes the file at path; whether there was one and it went.
bool RemoveFile(const QString& path) {
  const QFileInfo info(path);
  return (info.exists() || info.isSymLink()) && QFile::remove(path);
}

// Runs a tool when it is installed, waits a bounded time and ignores how it ends.
void RunTool(const QString& name, const QStringList& arguments) {
  const QString program = QStandardPaths::findExecutable(name);
  if (program.isEmpty()) return;
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(program, arguments);
  if (!process.waitForStarted(kToolTimeoutMs)) return;
  if (!process.waitForFinished(kToolTimeoutMs)) {
    process.kill();
    process.waitForFinished(kToolTimeoutMs);
  }
}

}  // namespace

AssociationPlaces AssociationPlaces::FromEnvironment(const platform::ProgramPlace& place) {
  return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
          place.installed ? QString::fromStdString(place.dataFolder.string()) : QString()};
}

FileAssociation::FileAssociation(AssociationPlaces places, QString programPath)
    : places_(std::move(places)), programPath_(std::move(programPath)) {}

QString FileAssociation::MimePackagePath() const {
  return QDir(places_.dataHome).filePath(QStringLiteral("mime/packages/kivora-kvr.xml"));
}

QString FileAssociation::DesktopEntryPath() const {
  return QDir(places_.dataHome)
      .filePath(QStringLiteral("applications/") + kDesktopFileName.toString());
}

QString FileAssociation::MimeAppsPath() const {
  return QDir(places_.configHome).filePath(QStringLiteral("mimeapps.list"));
}

FileAssociation::Registration FileAssociation::Check() const {
  const FileBytes file = ReadWholeFile(DesktopEntryPath());
  if (file.state == FileBytes::State::Missing) return Registration::None;
  const IniText entry = IniText::Parse(file.bytes, Qt::CaseSensitive);
  const std::optional<QString> exec = entry.Value(kDesktopGroup, u"Exec");
  // File names differ in letter case here, so the paths compare exactly.
  const std::optional<QString> program = exec ? ExecProgram(*exec) : std::nullopt;
  return program == programPath_ ? Registration::ThisProgram : Registration::OtherProgram;
}

bool FileAssociation::UsesInstalledEntry() const {
  if (places_.installedData.isEmpty()) return false;
  const QDir data(places_.installedData);
  return QFileInfo::exists(
             data.filePath(QStringLiteral("applications/") + kDesktopFileName.toString())) &&
         QFileInfo::exists(data.filePath(QStringLiteral("mime/packages/kivora.xml")));
}

bool FileAssociation::Keep() {
  // The installed entry already opens the type; a second one of the user's would hide it.
  if (UsesInstalledEntry()) return AddDefault();
  // What exists stays as it is, whatever it holds.
  bool changed = false;
  if (!QFileInfo::exists(MimePackagePath()) &&
      WriteWholeFile(MimePackagePath(), MimePackageXml())) {
    changed = true;
  }
  if (!QFileInfo::exists(DesktopEntryPath()) &&
      WriteWholeFile(DesktopEntryPath(), NewDesktopEntry(programPath_, icon_))) {
    changed = true;
  }
  if (AddDefault()) changed = true;
  if (changed) RefreshDatabases();
  return changed;
}

bool FileAssociation::Update() {
  const FileBytes file = ReadWholeFile(DesktopEntryPath());
  switch (file.state) {
    case FileBytes::State::Failed:
      return false;
    case FileBytes::State::Missing:
      return WriteWholeFile(DesktopEntryPath(), NewDesktopEntry(programPath_, icon_));
    case FileBytes::State::Read:
      break;
  }
  IniText entry = IniText::Parse(file.bytes, Qt::CaseSensitive);
  entry.SetValue(kDesktopGroup, u"Exec", ExecValue(programPath_));
  entry.SetValue(kDesktopGroup, u"Icon", EscapeValue(icon_));
  // A TryExec naming the old place would hide the entry once that program is gone.
  if (entry.Value(kDesktopGroup, u"TryExec")) {
    entry.SetValue(kDesktopGroup, u"TryExec", EscapeValue(programPath_));
  }
  return WriteWholeFile(DesktopEntryPath(), entry.ToBytes());
}

bool FileAssociation::Remove() {
  if (UsesInstalledEntry()) return RemoveDefault();
  bool changed = false;
  if (RemoveFile(MimePackagePath())) changed = true;
  if (RemoveFile(DesktopEntryPath())) changed = true;
  if (RemoveDefault()) changed = true;
  if (changed) RefreshDatabases();
  return changed;
}

// Adds the default application line when the type has none; another program's default
// is left alone.
bool FileAssociation::AddDefault() const {
  const FileBytes file = ReadWholeFile(MimeAppsPath());
  if (file.state == FileBytes::State::Failed) return false;
  IniText list = IniText::Parse(file.bytes, Qt::CaseSensitive);
  if (list.Value(kDefaultsGroup, MimeType())) return false;
  list.SetValue(kDefaultsGroup, MimeType(), kDesktopFileName.toString());
  return WriteWholeFile(MimeAppsPath(), list.ToBytes());
}

// Removes the type's default application line when it names this program's entry.
bool FileAssociation::RemoveDefault() const {
  const FileBytes file = ReadWholeFile(MimeAppsPath());
  if (file.state != FileBytes::State::Read) return false;
  IniText list = IniText::Parse(file.bytes, Qt::CaseSensitive);
  if (list.Value(kDefaultsGroup, MimeType()) != kDesktopFileName.toString()) return false;
  return list.RemoveKey(kDefaultsGroup, MimeType()) &&
         WriteWholeFile(MimeAppsPath(), list.ToBytes());
}

// Lets the desktop see the new state: the MIME database from the packages, the cache
// of which desktop entries open which types.
void FileAssociation::RefreshDatabases() const {
  RunTool(QStringLiteral("update-mime-database"),
          {QDir(places_.dataHome).filePath(QStringLiteral("mime"))});
  RunTool(QStringLiteral("update-desktop-database"),
          {QDir(places_.dataHome).filePath(QStringLiteral("applications"))});
}

}  // namespace kivora::ui
