#pragma once
// A translator that marks every text it is asked for, so that a text of a window that
// does not go through the translation stands out.

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <QTranslator>
#include <QTreeWidget>

namespace kivora::test {

class MarkingTranslator : public QTranslator {
 public:
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* = nullptr,
                    int = -1) const override {
    return QStringLiteral("[%1] %2").arg(QString::fromLatin1(context), QString::fromUtf8(source));
  }
};

// The window's title, captions, tab and menu texts, visible list headers and hints that
// do not start with `marker`.
inline QStringList UnmarkedTexts(const QWidget& window, const QString& marker) {
  QStringList shown{window.windowTitle()};
  for (const QWidget* w : window.findChildren<QWidget*>()) shown << w->toolTip();
  for (const QLabel* label : window.findChildren<QLabel*>()) shown << label->text();
  for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
    shown << button->text();
  for (const QGroupBox* group : window.findChildren<QGroupBox*>()) shown << group->title();
  for (const QAction* action : window.findChildren<QAction*>()) shown << action->text();
  for (const QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
    for (int i = 0; i < tabs->count(); ++i) shown << tabs->tabText(i);
  }
  for (const QTreeWidget* tree : window.findChildren<QTreeWidget*>()) {
    if (tree->isHeaderHidden()) continue;
    for (int i = 0; i < tree->columnCount(); ++i) shown << tree->headerItem()->text(i);
  }
  QStringList unmarked;
  for (const QString& text : shown) {
    if (!text.isEmpty() && !text.startsWith(marker)) unmarked << text;
  }
  return unmarked;
}

}  // namespace kivora::test
