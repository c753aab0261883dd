#pragma once
// What the name an address ends in says about the file of a set it serves.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/format/RecoveryFormat.h"
#include "net/AddressList.h"

namespace kivora::net {

// A definition file's name: BASE.kvr or BASE_kvr.EXT, in any case.
bool IsDefinitionFileName(std::string_view name);

// The name of a recovery part of the set whose recovery parts are named by `naming`.
bool IsRecoveryOf(const RecoveryNaming& naming, std::string_view name);

// The names the definition may be fetched by, the likeliest first: the one definition file
// listed or, without one, the listed names that are no recovery parts from the last (part
// numbers have one width within a set), for a last part that carries it. True with them
// when the definition is implanted. Throws KivoraError when two definition files are
// listed or no name could carry one.
std::pair<std::vector<std::string>, bool> ListedDefinitionNames(
    const std::vector<FileAddresses>& groups);

}  // namespace kivora::net
