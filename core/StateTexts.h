#pragma once
// The texts of a file's states in the operations' lists.

#include "core/OperationEvents.h"
#include "core/text/MessageText.h"

namespace kivora {

// The state text the user reads (empty for a listed file).
MessageText StateText(FileState state);

}  // namespace kivora
