#include "ui/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kivora::ui {

FileBytes ReadWholeFile(const QString& path) {
  FileBytes result;
  if (!QFileInfo::exists(path)) return result;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.state = FileBytes::State::Failed;
    return result;
  }
  result.bytes = file.readAll();
  result.state =
      file.error() == QFileDevice::NoError ? FileBytes::State::Read : FileBytes::State::Failed;
  return result;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace kivora::ui
