#pragma once
// Whole-file reads and atomic whole-file writes for the small text files the window
// keeps (settings, desktop entry, MIME package, mimeapps.list).

#include <QByteArray>
#include <QString>

namespace kivora::ui {

struct FileBytes {
  enum class State { Read, Missing, Failed };
  State state = State::Missing;
  QByteArray bytes;  // the content when state is Read
};

// Missing when nothing is at path; Failed when something is there but cannot be read.
FileBytes ReadWholeFile(const QString& path);

// Creates the missing folders of path, writes bytes to a temporary file beside it and
// renames it over path, so a failed write never leaves a half-written file. False on
// any failure.
bool WriteWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace kivora::ui
