#include "app/cli/SetCommand.h"

#include "app/cli/CliMessages.h"
#include "core/format/LoadedDefinition.h"

namespace kivora::cli {

bool SetCommand::Load(TerminalUi& ui, const pendant::PendantLibrary& pendants) {
  return LoadDefinition(definition_, pendants, OperationKind::Join, ui, loaded_);
}

const std::optional<SecretText>& SetCommand::NoteUnusedPassword(
    const std::optional<SecretText>& password, TerminalUi& ui) const {
  if (password && !password->empty() && !loaded_.header.Protected) {
    ui.Note(texts::kPasswordNotUsed);
  }
  return password;
}

std::optional<Answer> SetCommand::ByFlag(bool flag, bool interactive) {
  if (flag) return Answer::Yes;
  if (interactive) return std::nullopt;
  return Answer::No;
}

}  // namespace kivora::cli
