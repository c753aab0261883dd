#pragma once
// The definition the join, the test and the re-split work on, as the pages hold it:
// read with its events (summary rows, each part listed) and checked for
// changes on disk before each operation.

#include <filesystem>
#include <functional>
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

// Whether a password is the set's, where that can be told before the work: false only
// when it is proved wrong.
using PasswordCheck = std::function<bool(const SecretText& password)>;

// The password of a protected set; an empty text for a set without protection; empty
// optional on Cancel. A password given is proved by `matches` (a wrong one shows (231)
// and gives an empty optional); otherwise it is asked for, naming the set, until it is
// not empty and `matches` does not refuse it, each box after a wrong one saying so.
std::optional<SecretText> PasswordFor(const KvrDefinition& loaded,
                                      const std::optional<SecretText>& given,
                                      OperationEvents& events, const PasswordCheck& matches = {});

}  // namespace kivora
