#include "LoadedDefinition.h"

#include "Crc32.h"
#include "DefinitionReader.h"
#include "KivoraError.h"

namespace kivora {

bool LoadDefinition(const std::filesystem::path& path, const PendantProvider& pendants,
                    InfoList list, Ui& ui, KvrDefinition& loaded) {
  try {
    KvrDefinition fresh = ReadDefinition(path, pendants);
    loaded = std::move(fresh);
  } catch (const KivoraError& e) {
    ui.ShowError(e.what(), e.Detail());
    return false;
  }
  ui.ShowSummary(list, SummaryRows(loaded));
  ui.ClearStateRows();
  for (const TKvrFileData& part : loaded.parts) ui.AddStateRow(part.FileName, "", StateImage::Listed);
  return true;
}

bool DefinitionIsCurrent(const std::filesystem::path& path, const KvrDefinition& loaded) {
  return loaded.implanted || FileCrc32(path) == loaded.checksum;
}

bool RefreshIfChanged(const std::filesystem::path& path, const PendantProvider& pendants, Ui& ui,
                      KvrDefinition& loaded) {
  try {
    if (DefinitionIsCurrent(path, loaded)) return true;
  } catch (const KivoraError& e) {
    ui.ShowError(e.what(), e.Detail());
    return false;
  }
  return LoadDefinition(path, pendants, InfoList::Join, ui, loaded);
}

std::optional<std::string> PasswordFor(const KvrDefinition& loaded,
                                       const std::optional<std::string>& given, Ui& ui) {
  if (!loaded.header.Protected) return std::string();
  std::optional<std::string> password = given;
  while (!password || password->empty()) {
    password = ui.AskPassword();
    if (!password) return std::nullopt;
  }
  return password;
}

}  // namespace kivora
