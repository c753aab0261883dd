#pragma once
// The seven 16 x 16 state images of the state list, drawn at start.

#include <QIcon>
#include <QList>

#include "core/OperationEvents.h"

namespace kivora::ui {

// Images of the state list, by index.
enum class StateImage {
  Done = 0,        // done, joined or OK
  Fixable = 1,     // fixable or kept back
  Failed = 2,      // missing, corrupt or mismatch
  Split = 3,       // split or re-split
  Disguised = 4,   // disguised or re-disguised
  Listed = 5,      // listed, not yet processed
  Definition = 6,  // definition file
};

// The image that shows a file's state.
StateImage ImageOf(FileState state);

// In the order of StateImage: done, fixable, failed, split, disguised, listed, definition.
QList<QIcon> StateImageList();

}  // namespace kivora::ui
