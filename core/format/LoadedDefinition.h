#pragma once
// The definition the join, the test and the re-split work on, as the pages hold it:
// read with its events (summary rows, each part listed) and checked for
// changes on disk before each operation.

#include <filesystem>
#include <optional>
#include <string>

#include "core/OperationEvents.h"
#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/payload/SecretText.h"

namespace kivora {

// Reads the definition at path for an operation. On success it replaces `loaded`,
// reports its summary and lists its parts; on failure it reports the reader's message
// and changes nothing.
bool LoadDefinition(const std::filesystem::path& path, const PendantProvider& pendants,
                    OperationKind readFor, OperationEvents& events, KvrDefinition& loaded);

// True when the definition file still has the checksum it had when it was read (an
// implanted definition is not checked). Throws KivoraError when it cannot be opened.
bool DefinitionIsCurrent(const std::filesystem::path& path, const KvrDefinition& loaded);

// Before a join or a test: re-reads a definition file that changed on disk. False when
// that read failed (its message was shown).
bool RefreshIfChanged(const std::filesystem::path& path, const PendantProvider& pendants,
                      OperationEvents& events, KvrDefinition& loaded);

// The password of a protected set: the one given, or asked for until it is
// not empty; an empty text for a set without protection; empty optional on Cancel.
std::optional<SecretText> PasswordFor(const KvrDefinition& loaded,
                                      const std::optional<SecretText>& given,
                                      OperationEvents& events);

}  // namespace kivora
