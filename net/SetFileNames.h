#pragma once
// What the name an address ends in says about the file of a set it serves.

#include <string_view>

#include "core/format/RecoveryFormat.h"

namespace kivora::net {

// A definition file's name: BASE.kvr or BASE_kvr.EXT, in any case.
bool IsDefinitionFileName(std::string_view name);

// The name of a recovery part of the set whose recovery parts are named by `naming`.
bool IsRecoveryOf(const RecoveryNaming& naming, std::string_view name);

}  // namespace kivora::net
