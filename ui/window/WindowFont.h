#pragma once
// The window's font: the desktop's sans face for Latin text, the Ming faces for Han.

#include <QFont>
#include <QString>
#include <QStringList>

namespace kivora::ui {

// The face fontconfig takes for sans-serif Latin text (`sans-serif:lang=en`), whatever the
// locale: under zh_TW the locale's own sans-serif may resolve to a Ming face, whose Latin
// letters are monospaced. Empty when fontconfig finds none.
QString LatinSansFace();

// The families of the window's font: `latinFace` first, for Latin text; then the Ming
// faces, from which Qt takes the Han characters the first family lacks.
QStringList WindowFontFamilies(const QString& latinFace);

// The window's font in the families above, at 9 points.
QFont WindowFont();

}  // namespace kivora::ui
