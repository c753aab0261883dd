#include "ui/window/HelpTexts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace kivora::ui {

QString ManualPath(const QString& programPath) {
  const QDir programFolder = QFileInfo(programPath).absoluteDir();
  // bin/../share of an installed program.
  QStringList candidates = {programFolder.filePath("../share/man/man1/kivora.1.gz"),
                            programFolder.filePath("../share/man/man1/kivora.1"),
                            programFolder.filePath("../share/doc/kivora/README.md")};
  // A program of a build tree: the README of the sources above it.
  QDir up = programFolder;
  for (int level = 0; level < 4 && up.cdUp(); ++level) candidates << up.filePath("README.md");
  for (const QString& candidate : candidates) {
    if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).canonicalFilePath();
  }
  return {};
}

QString AboutText(const QString& version) {
  return QCoreApplication::translate("kivora::ui::HelpTexts",
                                     "Kivora %1\n把大型檔案分割成偽裝成圖像的分割檔，再合併回來。")
      .arg(version);
}

QString AboutDetails() {
  return QCoreApplication::translate(
             "kivora::ui::HelpTexts",
             "版權所有 2026 The Kivora developers。授權條款尚未公開：保留一切權利。\n\n"
             "使用的程式庫與其授權：\n"
             "Qt %1 (LGPL-3.0)、ISA-L (BSD-3-Clause)、libsodium (ISC)、OpenSSL (Apache-2.0)、"
             "ICU (Unicode-3.0)、libcurl (curl)、libdeflate (MIT)、Fontconfig (MIT)、"
             "{fmt} (MIT)、nlohmann/json (MIT)、CLI11 (BSD-3-Clause)。")
      .arg(QString::fromLatin1(qVersion()));
}

}  // namespace kivora::ui
