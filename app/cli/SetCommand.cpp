#include "app/cli/SetCommand.h"

#include "core/format/LoadedDefinition.h"

namespace kivora::cli {

bool SetCommand::Load(TerminalUi& ui, const pendant::PendantLibrary& pendants) {
  return LoadDefinition(definition_, pendants, OperationKind::Join, ui, loaded_);
}

std::optional<Answer> SetCommand::ByFlag(bool flag, bool interactive) {
  if (flag) return Answer::Yes;
  if (interactive) return std::nullopt;
  return Answer::No;
}

}  // namespace kivora::cli
