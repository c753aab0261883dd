#pragma once
// What a join, re-split or test of a set checks about its protection before it writes
// anything: that the set is encrypted when the user demands it, and that the password
// opens an encrypted set whose definition its MAC proves.

#include <optional>

#include "core/OperationEvents.h"
#include "core/format/DefinitionRecords.h"
#include "core/payload/SetCipher.h"

namespace kivora {

// True when the set is encrypted and its definition carries a MAC.
bool HasAuthenticatedEncryption(const KvrDefinition& definition);

// When `required`, refuses (253) a set that HasAuthenticatedEncryption does not call
// encrypted. True when the operation may go on.
bool MeetsEncryptionDemand(const KvrDefinition& definition, bool required, OperationEvents& events);

// Derives the keys of an encrypted set from the password given (asked for when none
// is) and proves the password (231) and, where the set has one, the definition's MAC
// (252); shows the failure and returns an empty optional when either fails or the
// question is cancelled.
std::optional<SetCipher> UnlockSet(const KvrDefinition& definition,
                                   const std::optional<SecretText>& given, OperationEvents& events);

}  // namespace kivora
