#pragma once
// What the subcommands that work on an existing set (test, join, resplit) share: the
// definition argument, reading it, and the answers to the engines' questions.

#include <string>

#include "app/cli/Command.h"
#include "app/cli/TerminalUi.h"
#include "core/format/DefinitionRecords.h"
#include "core/payload/SecretText.h"
#include "pendant/PendantLibrary.h"

namespace kivora::cli {

class SetCommand : public Command {
 protected:
  // Reads definition_ into loaded_ (the reader's message on failure).
  bool Load(TerminalUi& ui, const pendant::PendantLibrary& pendants);
  // A question decided by a flag: Yes when `flag`, otherwise left to the user on a
  // terminal and No elsewhere.
  static std::optional<Answer> ByFlag(bool flag, bool interactive);
  // Says so when a password was given for a set that has none, and passes it on.
  const std::optional<SecretText>& NoteUnusedPassword(const std::optional<SecretText>& password,
                                                      TerminalUi& ui) const;

  std::string definition_;
  KvrDefinition loaded_;
};

}  // namespace kivora::cli
