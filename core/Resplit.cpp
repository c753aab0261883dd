#include "Resplit.h"

#include <algorithm>

#include "CodePage.h"
#include "DefinitionWriter.h"
#include "FileIo.h"
#include "Format.h"
#include "KivoraError.h"
#include "LoadedDefinition.h"
#include "Messages.h"
#include "PartWriter.h"
#include "SaveFolder.h"

namespace kivora {

bool PluginMatches(const PendantProvider& pendants, std::string_view pluginName,
                   const KvrDefinition& loaded) {
  return pendants.ComputePluginChecksum(pluginName) == loaded.header.PluginChecksum;
}

namespace {

// The plug-in of a KV4 set: the one named, or the one the user picks; checked.
std::optional<std::string> PluginFor(const KvrDefinition& def, const ResplitRequest& request,
                                     const PendantProvider& pendants, Ui& ui) {
  std::optional<std::string> name = request.pluginName;
  if (!name) name = ui.ChooseResplitPlugin();
  if (!name) return std::nullopt;
  if (!PluginMatches(pendants, *name, def)) {
    ui.ShowError(msg::kPluginMismatch291);
    return std::nullopt;
  }
  return name;
}


}  // namespace

bool RunResplit(KvrDefinition& loaded, const ResplitRequest& request,
                const PendantProvider& pendants, Ui& ui, ResplitOutcome* outcome) {
  ResplitOutcome local;
  ResplitOutcome& out = outcome ? *outcome : local;
  out = ResplitOutcome{};
  if (request.selected && request.selected->empty()) {
    ui.ShowError(msg::kSelectPartsToResplit);
    return false;
  }
  try {
    if (!DefinitionIsCurrent(request.definitionPath, loaded)) {
      ui.ShowError(msg::kDefinitionUpdated);
      LoadDefinition(request.definitionPath, pendants, InfoList::Resplit, ui, loaded);
      return false;
    }
    const KvrDefinition& def = loaded;
    if (def.header.CipherKind != kBlockCipher) {
      ui.ShowError(Format(msg::kResplitOldCipher313, int{def.header.CipherKind}));
      return false;
    }
    std::string pluginName;
    if (def.header.Magic == "KV4") {
      const auto chosen = PluginFor(def, request, pendants, ui);
      if (!chosen) return false;
      pluginName = *chosen;
    }
    std::filesystem::path folder = request.definitionPath.parent_path();
    if (request.outputFolder) {
      const SaveFolderCheck check = EnsureSaveFolder(*request.outputFolder, ui);
      if (!check.ok) return false;
      out.folderCreated = check.created;
      folder = *request.outputFolder;
    }
    const auto password = PasswordFor(def, request.password, ui);
    if (!password) return false;
    const std::string passwordBig5 = ToBig5OrThrow(*password, "密碼");

    File source = File::TryOpenRead(request.source);
    if (!source.IsOpen()) {
      ui.ShowError(msg::kCannotOpenSource301, request.source.string());
      return false;
    }
    const auto set = pendants.OpenSet(def.header.Magic == "KV4", pluginName);

    const int count = def.header.PartCount;
    std::vector<bool> chosen(static_cast<size_t>(count), !request.selected);
    if (request.selected) {
      for (int index : *request.selected) {
        if (index >= 0 && index < count) chosen[static_cast<size_t>(index)] = true;
      }
    }
    const auto total = static_cast<int>(std::count(chosen.begin(), chosen.end(), true));
    ui.WorkStarted();
    std::vector<std::uint8_t> buffer;
    std::int64_t offset = 0;  // where part `index` starts in the source
    bool aborted = false;
    for (int index = 0; index < count; ++index) {
      const TKvrFileData& rec = def.parts[static_cast<size_t>(index)];
      const std::int64_t start = offset;
      offset += rec.Size;
      if (ui.AbortRequested()) {
        aborted = true;
        break;
      }
      if (!chosen[static_cast<size_t>(index)]) continue;

      const std::string key = def.header.Protected ? passwordBig5 : ToBig5OrThrow(rec.FileName, "分割檔名");
      source.Seek(start);
      // The last part of an implanted set carries the definition behind its payload,
      // scrambled as the split wrote it.
      const bool carriesDefinition =
          def.implanted && !def.implantedBytes.empty() && index == count - 1;
      const std::vector<std::uint8_t> trailer =
          carriesDefinition ? ImplantedBlock(rec.FileName, def.implantedBytes)
                            : std::vector<std::uint8_t>{};
      RebuildResult r;
      try {
        r = RebuildPart(source, buffer, folder / rec.FileName, rec, def.header.Disguised, set.get(),
                        key, trailer);
      } catch (const KivoraError& e) {
        ui.ShowError(e.what(), e.Detail());  // (132), (112), ...: the part could not be rebuilt
        ui.ShowError(msg::kResplitFailed311);
        return false;
      }
      if (r == RebuildResult::Mismatch) {
        if (def.header.Disguised) {
          ui.ShowError(msg::kPasswordOrSourceWrong);
          ui.ShowError(msg::kResplitFailed311);
        } else {
          ui.SetStateRow(index, msg::kStateMismatch, StateImage::Failed);
          ui.ShowError(msg::kResplitFailed312);
        }
        return false;
      }
      ui.SetStateRow(index, def.header.Disguised ? msg::kStateRedisguised : msg::kStateResplit,
                     def.header.Disguised ? StateImage::Disguised : StateImage::Split);
      ui.ScrollToRow(index);
      ++out.rebuilt;
      ui.SetStatus(0, Format(msg::kResplitProgress, out.rebuilt, total));
      ui.SetProgress(out.rebuilt, total);
      ui.Pump(std::chrono::milliseconds(0));
    }
    aborted = aborted || ui.AbortRequested();
    out.completed = !aborted;
    return ReportEnd(ui, out.completed, msg::kResplitCompleted, msg::kResplitInterrupted);
  } catch (const KivoraError& e) {
    ui.ShowError(e.what(), e.Detail());
  } catch (const std::bad_alloc&) {
    ui.ShowError(msg::kOutOfMemory222);
  }
  return false;
}

}  // namespace kivora
