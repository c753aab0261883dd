#pragma once
// The seven 16 x 16 state images of the state list, drawn at start.

#include <QIcon>
#include <QList>

#include "core/Ui.h"

namespace kivora::ui {

// In the order of StateImage: done, fixable, failed, split, disguised, listed, definition.
QList<QIcon> StateImageList();

}  // namespace kivora::ui
