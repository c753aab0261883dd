#pragma once
// Reading a join definition back: a definition file of its own, or a part that
// carries one implanted at its end.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/PendantProvider.h"
#include "core/format/DefinitionRecords.h"
#include "core/format/StoredDefinition.h"
#include "core/text/GroupThousands.h"
#include "core/text/MessageText.h"

namespace kivora {

// Decodes definition bytes. Throws KivoraError with the reader's message when they
// are not a valid definition. provider gives the sizes of built-in pendants, which
// level-1 definitions do not store.
KvrDefinition DecodeDefinition(std::span<const std::uint8_t> bytes,
                               const PendantProvider& provider);

// Reads the definition at path (either form). Returns a fresh definition; throws
// KivoraError with the reader's message on any failure.
KvrDefinition ReadDefinition(const std::filesystem::path& path, const PendantProvider& provider);

// Decodes the definition stored in the file at path, as ReadStoredDefinition read it.
// Throws KivoraError with the reader's message.
KvrDefinition DecodeStoredDefinition(const StoredDefinitionBytes& stored,
                                     const std::filesystem::path& path,
                                     const PendantProvider& provider);

// True when name can serve as a file name beside the definition: not empty, no folder
// separator, not "." or "..".
bool IsPlainFileName(std::string_view name);

// How a set is protected, in words: no password, the compatible scramble (which keeps
// nothing secret), or encryption, with or without an authenticated definition.
MessageText ProtectionText(const DefinitionHeader& header);

// The six summary rows (caption, value) of a definition. The user's own texts (the
// source's name, the comment) are plain values that no language changes.
std::vector<std::pair<MessageText, MessageText>> SummaryRows(const KvrDefinition& definition);

}  // namespace kivora
