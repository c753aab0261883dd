#include "app/cli/SetCommand.h"

#include "app/cli/CliMessages.h"
#include "core/format/LoadedDefinition.h"

namespace kivora::cli {

bool SetCommand::Load(TerminalUi& ui, const pendant::PendantLibrary& pendants) {
  return LoadDefinition(definition_, pendants, OperationKind::Join, ui, loaded_);
}

const std::optional<SecretText>& SetCommand::NoteUnusedPassword(
    const std::optional<SecretText>& password, Context& context) const {
  if (password && !password->empty() && !loaded_.header.Protected) {
    context.err << context.Text(texts::kPasswordNotUsed) << '\n';
  }
  return password;
}

std::optional<Answer> SetCommand::ByFlag(bool flag, bool interactive) {
  if (flag) return Answer::Yes;
  if (interactive) return std::nullopt;
  return Answer::No;
}

}  // namespace kivora::cli
