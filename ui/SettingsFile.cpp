#include "SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "IniText.h"
#include "TextFile.h"

namespace kivora::ui {
namespace {

constexpr QStringView kWindow = u"Window";
constexpr QStringView kDivide = u"Divide";
constexpr QStringView kJoint = u"Joint";
constexpr QStringView kRedivide = u"Redivide";
constexpr QStringView kAddress = u"Address";
constexpr QStringView kMoreInfo = u"MoreInfo";

constexpr int kMaxFileSize = 32767;
constexpr int kPageCount = 3;

// An integer value in decimal; empty when the key is missing or holds no number.
std::optional<int> ReadInt(const IniText& ini, QStringView section, QStringView key) {
  const std::optional<QString> text = ini.Value(section, key);
  if (!text) return std::nullopt;
  bool ok = false;
  const int value = text->toInt(&ok, 10);
  return ok ? std::optional<int>(value) : std::nullopt;
}

int ReadInt(const IniText& ini, QStringView section, QStringView key, int fallback) {
  return ReadInt(ini, section, key).value_or(fallback);
}

int ReadIntIn(const IniText& ini, QStringView section, QStringView key, int low, int high,
              int fallback) {
  const int value = ReadInt(ini, section, key, fallback);
  return value >= low && value <= high ? value : fallback;
}

// Booleans are integers: zero is false, any other number true.
bool ReadBool(const IniText& ini, QStringView section, QStringView key, bool fallback) {
  const std::optional<int> value = ReadInt(ini, section, key);
  return value ? *value != 0 : fallback;
}

QString ReadString(const IniText& ini, QStringView section, QStringView key, QString fallback) {
  return ini.Value(section, key).value_or(std::move(fallback));
}

// Every line of the section in file order, without what precedes its first "=": the
// key names do not matter, only where the lines stand.
QStringList ReadHistory(const IniText& ini, QStringView section) {
  QStringList entries;
  for (const QString& line : ini.SectionLines(section)) {
    entries.append(line.mid(line.indexOf(u'=') + 1));
  }
  return entries;
}

void WriteInt(IniText& ini, QStringView section, QStringView key, int value) {
  ini.SetValue(section, key, QString::number(value));
}

void WriteBool(IniText& ini, QStringView section, QStringView key, bool value) {
  ini.SetValue(section, key, value ? u"1" : u"0");
}

// The save-folder index, and the folder itself only when the box is not on its first
// entry: otherwise the stored folder stays as it is and is offered again next time.
void WriteSaveFolder(IniText& ini, QStringView section, QStringView prefix, int index,
                     const QString& path) {
  WriteInt(ini, section, prefix.toString() + QStringLiteral("SaveFolder"), index);
  if (index != 0) ini.SetValue(section, prefix.toString() + QStringLiteral("SavePath"), path);
}

void WriteHistory(IniText& ini, QStringView section, const QStringList& entries) {
  for (qsizetype i = 0; i < entries.size(); ++i) {
    ini.SetValue(section, section.toString() + QString::number(i), entries[i]);
  }
}

}  // namespace

KivoraSettings LoadSettings(const QString& path) {
  const KivoraSettings defaults;
  const FileBytes file = ReadWholeFile(path);
  if (file.state != FileBytes::State::Read) return defaults;
  const IniText ini = IniText::Parse(file.bytes);

  KivoraSettings s;
  s.top = ReadInt(ini, kWindow, u"Top", defaults.top);
  s.left = ReadInt(ini, kWindow, u"Left", defaults.left);
  s.activePage = ReadIntIn(ini, kWindow, u"ActivePage", 0, kPageCount - 1, defaults.activePage);

  s.fileSize = ReadIntIn(ini, kDivide, u"FileSize", 1, kMaxFileSize, defaults.fileSize);
  s.divideSavePath = ReadString(ini, kDivide, u"DivideSavePath", defaults.divideSavePath);
  s.divideSaveFolder = ReadInt(ini, kDivide, u"DivideSaveFolder", defaults.divideSaveFolder);
  s.randomSize = ReadBool(ini, kDivide, u"RandomSize", defaults.randomSize);
  // 0 and 1 pick a radio button; any other number picks neither.
  const int divideName = ReadInt(ini, kDivide, u"DivideName", *defaults.divideName);
  s.divideName = divideName == 0 || divideName == 1 ? std::optional<int>(divideName) : std::nullopt;
  s.extension = ReadString(ini, kDivide, u"Extention", defaults.extension);
  s.kvrExtension = ReadBool(ini, kDivide, u"KvrExtention", defaults.kvrExtension);
  s.kivora = ReadBool(ini, kDivide, u"Kivora", defaults.kivora);
  s.usePlugin = ReadBool(ini, kDivide, u"UsePlugin", defaults.usePlugin);
  s.pluginName = ReadString(ini, kDivide, u"PluginName", defaults.pluginName);
  s.implant = ReadBool(ini, kDivide, u"Inplant", defaults.implant);

  s.jointSavePath = ReadString(ini, kJoint, u"JointSavePath", defaults.jointSavePath);
  s.jointSaveFolder = ReadInt(ini, kJoint, u"JointSaveFolder", defaults.jointSaveFolder);
  s.associateKivora = ReadBool(ini, kJoint, u"AssociateKivora", defaults.associateKivora);

  s.redivideSavePath = ReadString(ini, kRedivide, u"RedivideSavePath", defaults.redivideSavePath);
  s.redivideSaveFolder =
      ReadInt(ini, kRedivide, u"RedivideSaveFolder", defaults.redivideSaveFolder);

  s.addresses = ReadHistory(ini, kAddress);
  s.moreInfo = ReadHistory(ini, kMoreInfo);
  return s;
}

bool SaveSettings(const QString& path, const KivoraSettings& s) {
  // Keys this program does not write stay in the file, so start from what is there.
  const FileBytes file = ReadWholeFile(path);
  if (file.state == FileBytes::State::Failed) return false;
  IniText ini = IniText::Parse(file.bytes);

  WriteInt(ini, kWindow, u"Top", s.top);
  WriteInt(ini, kWindow, u"Left", s.left);
  WriteInt(ini, kWindow, u"ActivePage", s.activePage);

  WriteInt(ini, kDivide, u"FileSize", s.fileSize);
  WriteSaveFolder(ini, kDivide, u"Divide", s.divideSaveFolder, s.divideSavePath);
  WriteBool(ini, kDivide, u"RandomSize", s.randomSize);
  if (s.divideName) WriteInt(ini, kDivide, u"DivideName", *s.divideName);
  ini.SetValue(kDivide, u"Extention", s.extension);
  WriteBool(ini, kDivide, u"KvrExtention", s.kvrExtension);
  WriteBool(ini, kDivide, u"Kivora", s.kivora);
  ini.SetValue(kDivide, u"PluginName", s.pluginName);
  WriteBool(ini, kDivide, u"UsePlugin", s.usePlugin);
  WriteBool(ini, kDivide, u"Inplant", s.implant);

  WriteSaveFolder(ini, kJoint, u"Joint", s.jointSaveFolder, s.jointSavePath);
  WriteBool(ini, kJoint, u"AssociateKivora", s.associateKivora);

  WriteSaveFolder(ini, kRedivide, u"Redivide", s.redivideSaveFolder, s.redivideSavePath);

  WriteHistory(ini, kAddress, s.addresses);
  WriteHistory(ini, kMoreInfo, s.moreInfo);
  return WriteWholeFile(path, ini.ToBytes());
}

QString SettingsPathFor(const QString& programDir, const QString& configHome) {
  const QString fileName = QStringLiteral("kivora.ini");
  const QFileInfo dir(programDir);
  if (!programDir.isEmpty() && dir.isDir() && dir.isWritable()) {
    return QDir(programDir).filePath(fileName);
  }
  return QDir(configHome).filePath(QStringLiteral("kivora/") + fileName);
}

QString DefaultSettingsPath() {
  const QString programDir =
      QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
  return SettingsPathFor(programDir,
                         QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace kivora::ui
