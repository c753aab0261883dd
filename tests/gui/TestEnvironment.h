#pragma once
// The window's files in a temporary folder: settings, plug-in folder, XDG homes.

#include <QString>
#include <QTest>

#include "ui/window/MainWindow.h"

namespace kivora::ui::test {

inline WindowEnvironment TestEnvironment(const QString& root, const QString& programPath = {}) {
  WindowEnvironment env;
  env.settingsPath = root + "/kivora.ini";
  env.pendants.programFolder = (root + "/program").toStdString();
  env.pendants.pluginFolders = {(root + "/program/plugin").toStdString()};
  env.association = {root + "/data", root + "/config"};
  env.programPath = programPath.isEmpty() ? root + "/program/kivora" : programPath;
  return env;
}

// Spins the window's event loop until its operation and the operation's follow-ups
// are over.
inline bool WaitUntilIdle(const MainWindow& window, int timeoutMs = 60000) {
  return QTest::qWaitFor([&] { return !window.Busy(); }, timeoutMs);
}

}  // namespace kivora::ui::test
