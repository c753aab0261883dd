#include "core/format/LoadedDefinition.h"

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/io/Crc32.h"
#include "core/text/Messages.h"

namespace kivora {

bool LoadDefinition(const std::filesystem::path& path, const PendantProvider& pendants,
                    OperationKind readFor, OperationEvents& events, KvrDefinition& loaded) {
  try {
    KvrDefinition fresh = ReadDefinition(path, pendants);
    loaded = std::move(fresh);
  } catch (const KivoraError& e) {
    events.ShowError(e.Text(), e.Detail());
    return false;
  }
  events.Report(DefinitionSummary{readFor, SummaryRows(loaded)});
  events.Report(FilesCleared{});
  for (size_t i = 0; i < loaded.parts.size(); ++i) {
    events.SetFileState(static_cast<int>(i), loaded.parts[i].FileName, FileState::Listed);
  }
  return true;
}

bool DefinitionIsCurrent(const std::filesystem::path& path, const KvrDefinition& loaded) {
  return loaded.implanted || FileCrc32(path) == loaded.checksum;
}

bool RefreshIfChanged(const std::filesystem::path& path, const PendantProvider& pendants,
                      OperationEvents& events, KvrDefinition& loaded) {
  try {
    if (DefinitionIsCurrent(path, loaded)) return true;
  } catch (const KivoraError& e) {
    events.ShowError(e.Text(), e.Detail());
    return false;
  }
  return LoadDefinition(path, pendants, OperationKind::Join, events, loaded);
}

std::optional<SecretText> PasswordFor(const KvrDefinition& loaded,
                                      const std::optional<SecretText>& given,
                                      OperationEvents& events, const PasswordCheck& matches) {
  if (!loaded.header.Protected) return SecretText();
  if (given && !given->empty()) {
    // A password given with the request is not asked again: a wrong one ends here.
    if (!matches || matches(*given)) return given;
    events.ShowError(msg::kWrongPassword231);
    return std::nullopt;
  }
  // Asked until it is not empty and not proved wrong; a wrong one is said in the next box.
  MessageText prompt = msg::kPasswordPromptForSet(loaded.header.SourceName);
  for (;;) {
    std::optional<std::string> typed = events.AskText(QuestionKind::Password, prompt);
    if (!typed) return std::nullopt;
    SecretText password(*typed);
    WipeText(*typed);
    if (password.empty()) continue;
    if (!matches || matches(password)) return password;
    prompt = msg::kWrongPasswordAgain(loaded.header.SourceName);
  }
}

}  // namespace kivora
