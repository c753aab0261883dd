#pragma once
// The program's settings file: sections "Window", "Divide", "Joint", "Redivide",
// "Address", "MoreInfo" and "Send", read once at start and written once at close.

#include <QString>
#include <QStringList>
#include <optional>

#include "platform/ProgramPlace.h"

namespace kivora::ui {

// Every value the window keeps between runs. Defaults are those of a first start.
struct KivoraSettings {
  // [Window]
  int top = 0;
  int left = 0;
  int activePage = 0;  // sub-page: 0 split, 1 resplit, 2 join
  int width = 0;       // of the window; 0: its own default size, and not written
  int height = 0;
  // [Divide]
  int fileSize = 500;  // KB, 1..32767
  QString splitSavePath;
  int splitSaveFolder = 0;  // 0: the source's folder; else the second entry
  bool randomSize = true;
  std::optional<int> firstNumber = 0;  // 0: from 00, 1: from 01; empty: neither radio checked
  QString extension = QStringLiteral("png");
  bool kvrExtension = false;
  bool kivora = true;
  bool usePlugin = false;
  QString pluginName;
  bool implant = false;
  bool encrypt = false;
  int recoveryCount = 0;  // 0..254 recovery parts per group
  // The folder each page's file dialogs opened in last, offered first the next time
  // ("LastFolder" of the page's section; empty: not written).
  QString splitLastFolder;
  // Section "Joint"
  QString joinSavePath;
  int joinSaveFolder = 0;
  bool associateKivora = true;
  QString joinLastFolder;
  // [Redivide]
  QString resplitSavePath;
  int resplitSaveFolder = 0;
  QString resplitLastFolder;
  // [Address], [MoreInfo]: the histories, in list order.
  QStringList addresses;
  QStringList moreInfo;
  // [Send]: the hosts the file list's send went to last, one folder address each (Host0,
  // Host1, ...); no credentials.
  QStringList sendHosts;

  friend bool operator==(const KivoraSettings&, const KivoraSettings&) = default;
};

// Reads the file at path; missing file or keys give the defaults, values out of range
// (ActivePage outside 0..2, FileSize outside 1..32767) fall back to their defaults.
KivoraSettings LoadSettings(const QString& path);

// Writes the settings in the file's key order, keeping every other line of an existing
// file: a save path whose box is on its first entry is not written and keeps its old
// value; history keys are overwritten one by one. Returns false when the file cannot be
// written. The password is not part of the settings and is never written.
bool SaveSettings(const QString& path, const KivoraSettings& settings);

// kivora.ini beside a portable program (or one in the build tree); for an installed
// program <configHome>/kivora/kivora.ini, configHome being $XDG_CONFIG_HOME or ~/.config.
QString SettingsPathFor(const platform::ProgramPlace& place, const QString& configHome);

}  // namespace kivora::ui
