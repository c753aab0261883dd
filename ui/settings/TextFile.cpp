#include "ui/settings/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <span>

#include "core/io/AtomicFile.h"
#include "core/io/File.h"

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
  // The project's one safe write: a temporary file, synced, renamed over the old one,
  // which keeps its permissions.
  try {
    WriteFileAtomically(QFile::encodeName(path).toStdString(),
                        std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())));
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace kivora::ui
