#pragma once
// What the Help menu shows: where the manual is, and the About box's texts.

#include <QString>

namespace kivora::ui {

// The manual beside the program at `programPath`: the man page of an installed program,
// else the README of its package or of the source tree it was built in; empty when none
// is there.
QString ManualPath(const QString& programPath);

// The About box: the program and its version, then its licence and the libraries it uses
// with theirs.
QString AboutText(const QString& version);
QString AboutDetails();

}  // namespace kivora::ui
