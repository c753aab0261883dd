#include "ui/settings/SettingsFile.h"

#include <QDir>

#include "core/format/RecoveryFormat.h"
#include "ui/settings/IniText.h"
#include "ui/settings/TextFile.h"

namespace kivora::ui {
namespace {

constexpr QStringView kWindow = u"Window";
constexpr QStringView kSplitSection = u"Divide";
constexpr QStringView kJoinSection = u"Joint";
constexpr QStringView kResplitSection = u"Redivide";
constexpr QStringView kAddress = u"Address";
constexpr QStringView kMoreInfo = u"MoreInfo";
constexpr QStringView kSend = u"Send";

constexpr int kMaxFileSize = 32767;
constexpr int kPageCount = 3;
constexpr int kMaxWindowSide = 100000;  // pixels; a larger stored size is not one

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

// A page's last folder, once it has one.
void WriteFolder(IniText& ini, QStringView section, const QString& folder) {
  if (!folder.isEmpty()) ini.SetValue(section, u"LastFolder", folder);
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
  s.width = ReadIntIn(ini, kWindow, u"Width", 0, kMaxWindowSide, defaults.width);
  s.height = ReadIntIn(ini, kWindow, u"Height", 0, kMaxWindowSide, defaults.height);

  s.fileSize = ReadIntIn(ini, kSplitSection, u"FileSize", 1, kMaxFileSize, defaults.fileSize);
  s.splitSavePath = ReadString(ini, kSplitSection, u"DivideSavePath", defaults.splitSavePath);
  s.splitSaveFolder = ReadInt(ini, kSplitSection, u"DivideSaveFolder", defaults.splitSaveFolder);
  s.randomSize = ReadBool(ini, kSplitSection, u"RandomSize", defaults.randomSize);
  // 0 and 1 pick a radio button; any other number picks neither.
  const int firstNumber = ReadInt(ini, kSplitSection, u"DivideName", *defaults.firstNumber);
  s.firstNumber =
      firstNumber == 0 || firstNumber == 1 ? std::optional<int>(firstNumber) : std::nullopt;
  s.extension = ReadString(ini, kSplitSection, u"Extention", defaults.extension);
  s.kvrExtension = ReadBool(ini, kSplitSection, u"KvrExtention", defaults.kvrExtension);
  s.kivora = ReadBool(ini, kSplitSection, u"Kivora", defaults.kivora);
  s.usePlugin = ReadBool(ini, kSplitSection, u"UsePlugin", defaults.usePlugin);
  s.pluginName = ReadString(ini, kSplitSection, u"PluginName", defaults.pluginName);
  s.implant = ReadBool(ini, kSplitSection, u"Inplant", defaults.implant);
  s.encrypt = ReadBool(ini, kSplitSection, u"Encrypt", defaults.encrypt);
  s.recoveryCount = ReadIntIn(ini, kSplitSection, u"RecoveryCount", 0, kMaxRecoveryPerGroup,
                              defaults.recoveryCount);

  s.splitLastFolder = ReadString(ini, kSplitSection, u"LastFolder", defaults.splitLastFolder);
  s.joinSavePath = ReadString(ini, kJoinSection, u"JointSavePath", defaults.joinSavePath);
  s.joinSaveFolder = ReadInt(ini, kJoinSection, u"JointSaveFolder", defaults.joinSaveFolder);
  s.associateKivora = ReadBool(ini, kJoinSection, u"AssociateKivora", defaults.associateKivora);
  s.joinLastFolder = ReadString(ini, kJoinSection, u"LastFolder", defaults.joinLastFolder);

  s.resplitSavePath =
      ReadString(ini, kResplitSection, u"RedivideSavePath", defaults.resplitSavePath);
  s.resplitSaveFolder =
      ReadInt(ini, kResplitSection, u"RedivideSaveFolder", defaults.resplitSaveFolder);
  s.resplitLastFolder = ReadString(ini, kResplitSection, u"LastFolder", defaults.resplitLastFolder);

  s.addresses = ReadHistory(ini, kAddress);
  s.moreInfo = ReadHistory(ini, kMoreInfo);
  for (int i = 0;; ++i) {
    const auto host = ini.Value(kSend, QStringLiteral("Host%1").arg(i));
    if (!host) break;
    s.sendHosts.append(*host);
  }
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
  if (s.width > 0 && s.height > 0) {
    WriteInt(ini, kWindow, u"Width", s.width);
    WriteInt(ini, kWindow, u"Height", s.height);
  }

  WriteInt(ini, kSplitSection, u"FileSize", s.fileSize);
  WriteSaveFolder(ini, kSplitSection, u"Divide", s.splitSaveFolder, s.splitSavePath);
  WriteBool(ini, kSplitSection, u"RandomSize", s.randomSize);
  if (s.firstNumber) WriteInt(ini, kSplitSection, u"DivideName", *s.firstNumber);
  ini.SetValue(kSplitSection, u"Extention", s.extension);
  WriteBool(ini, kSplitSection, u"KvrExtention", s.kvrExtension);
  WriteBool(ini, kSplitSection, u"Kivora", s.kivora);
  ini.SetValue(kSplitSection, u"PluginName", s.pluginName);
  WriteBool(ini, kSplitSection, u"UsePlugin", s.usePlugin);
  WriteBool(ini, kSplitSection, u"Inplant", s.implant);
  WriteBool(ini, kSplitSection, u"Encrypt", s.encrypt);
  WriteInt(ini, kSplitSection, u"RecoveryCount", s.recoveryCount);
  WriteFolder(ini, kSplitSection, s.splitLastFolder);

  WriteSaveFolder(ini, kJoinSection, u"Joint", s.joinSaveFolder, s.joinSavePath);
  WriteBool(ini, kJoinSection, u"AssociateKivora", s.associateKivora);
  WriteFolder(ini, kJoinSection, s.joinLastFolder);

  WriteSaveFolder(ini, kResplitSection, u"Redivide", s.resplitSaveFolder, s.resplitSavePath);
  WriteFolder(ini, kResplitSection, s.resplitLastFolder);

  WriteHistory(ini, kAddress, s.addresses);
  WriteHistory(ini, kMoreInfo, s.moreInfo);
  // The hosts are the last send's: those of an earlier, longer list go.
  for (qsizetype i = 0; i < s.sendHosts.size(); ++i)
    ini.SetValue(kSend, QStringLiteral("Host%1").arg(i), s.sendHosts[i]);
  for (auto i = s.sendHosts.size(); ini.RemoveKey(kSend, QStringLiteral("Host%1").arg(i)); ++i) {
  }
  return WriteWholeFile(path, ini.ToBytes());
}

QString SettingsPathFor(const platform::ProgramPlace& place, const QString& configHome) {
  const QString fileName = QStringLiteral("kivora.ini");
  if (!place.installed)
    return QDir(QString::fromStdString(place.folder.string())).filePath(fileName);
  return QDir(configHome).filePath(QStringLiteral("kivora/") + fileName);
}

}  // namespace kivora::ui
