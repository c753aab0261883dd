#include "ui/engine/PaletteMarks.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace kivora::ui {
namespace {

// A quarter of red over the colour: light fields turn pink, dark ones dark red, and the
// text on them keeps its contrast.
QColor TintedRed(const QColor& base) {
  constexpr float kShare = 0.25F;
  const QColor red(220, 40, 40);
  return QColor::fromRgbF(base.redF() * (1 - kShare) + red.redF() * kShare,
                          base.greenF() * (1 - kShare) + red.greenF() * kShare,
                          base.blueF() * (1 - kShare) + red.blueF() * kShare);
}

}  // namespace

void MarkInvalid(QWidget* field, bool invalid) {
  field->setProperty("invalid", invalid);
  if (!invalid) {
    field->setPalette(QPalette());  // what the parents and the style give
    return;
  }
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, TintedRed(palette.color(QPalette::Base)));
  field->setPalette(palette);
}

void ShowAsNote(QWidget* label) { label->setForegroundRole(QPalette::Link); }

}  // namespace kivora::ui
