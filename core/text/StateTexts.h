#pragma once
// The texts of a file's states in the operations' lists.

#include <string_view>

#include "core/OperationEvents.h"

namespace kivora {

// The state text the user reads (empty for a listed file).
std::string_view StateText(FileState state);

}  // namespace kivora
