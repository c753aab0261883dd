#pragma once
// The panels of the main window's status bar, each as wide as the longest text it can
// show in the window's language and font, so that no text is cut.

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/text/Language.h"

class QLabel;
class QStatusBar;

namespace kivora::ui {

// What each panel shows at its longest, in `language` and the installed translation:
// the split's and the re-split's progress; the test's, the join's and the repair's; the
// file list's selection summary; `version`.
QList<QStringList> LongestStatusTexts(Language language, const QString& version);

// Adds a panel to `bar` for each entry of `longest`, wide enough to show each of its texts
// whole in `font`. The last panel stands at the bar's right end.
QList<QLabel*> AddStatusPanels(QStatusBar& bar, const QFont& font,
                               const QList<QStringList>& longest);

}  // namespace kivora::ui
