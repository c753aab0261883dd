#pragma once
// Fixed English words for scripts, the same in every language of the messages.

#include <string_view>

#include "core/OperationEvents.h"

namespace kivora::cli {

// The state of a file: listed, split, disguised, created, implanted, ok, fixable,
// kept-back, missing, corrupt, joined, resplit, redisguised, mismatch, recovery, rebuilt.
std::string_view StateWord(FileState state);

// Which file of the set: part, recovery or definition.
std::string_view RoleWord(FileRole::Kind kind);

// The kind of a message: error, completion, interruption.
std::string_view MessageKindWord(MessageKind kind);

}  // namespace kivora::cli
