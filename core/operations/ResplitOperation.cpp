#include "core/operations/ResplitOperation.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/CodePage.h"
#include "core/format/DefinitionWriter.h"
#include "core/format/LoadedDefinition.h"
#include "core/format/StoredDefinition.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/io/OutputTarget.h"
#include "core/io/SaveFolder.h"
#include "core/operations/EngineCall.h"
#include "core/operations/ScrambledPasswordCheck.h"
#include "core/operations/SetProtection.h"
#include "core/operations/SetRecovery.h"
#include "core/parts/PartWriter.h"
#include "core/parts/SetNames.h"
#include "core/payload/SealedPayload.h"
#include "core/payload/SetCipher.h"
#include "core/set/SetLock.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"

namespace kivora {

bool PluginMatches(const PendantProvider& pendants, std::string_view pluginName,
                   const KvrDefinition& loaded) {
  return pendants.ComputePluginChecksum(pluginName) == loaded.header.PluginChecksum;
}

namespace {

// The plug-in of a KV4 set: the one named, or the one the user picks; checked.
std::optional<std::string> PluginFor(const KvrDefinition& def, const ResplitRequest& request,
                                     const PendantProvider& pendants, OperationEvents& events) {
  std::optional<std::string> name = request.pluginName;
  if (!name) name = events.AskText(QuestionKind::ResplitPlugin);
  if (!name) return std::nullopt;
  if (!PluginMatches(pendants, *name, def)) {
    events.ShowError(msg::kPluginMismatch291);
    return std::nullopt;
  }
  return name;
}

// A chosen part that may not be written, and the message that refuses it: a part whose
// file is the source itself, which renaming the rebuilt part over it would unlink (files
// are compared, not names, so another spelling of the folder or a second name of the
// source cannot hide it), or a name taken by a folder, a device or a FIFO.
std::optional<std::pair<MessageText, std::filesystem::path>> RefusedTarget(
    const KvrDefinition& def, const std::filesystem::path& folder, const std::vector<bool>& chosen,
    const File& source) {
  const FileIdentity sourceId = source.Identity();
  for (size_t index = 0; index < chosen.size(); ++index) {
    if (!chosen[index]) continue;
    const std::filesystem::path target = folder / def.parts[index].FileName;
    if (SameFile(IdentityOf(target), sourceId)) return {{msg::kResplitTargetIsSource314, target}};
    if (KindOfOutput(target, msg::kResplitFailed311) == OutputKind::NotAFile)
      return {{msg::kResplitTargetNotAFile315, target}};
  }
  return std::nullopt;
}

// The re-split of `loaded` into `out`.
bool ResplitInto(KvrDefinition& loaded, const ResplitRequest& request,
                 const PendantProvider& pendants, OperationEvents& events, ResplitOutcome& out) {
  if (request.selected && request.selected->empty()) {
    events.ShowError(msg::kSelectPartsToResplit);
    return false;
  }
  // What the re-split opens lives in this scope; a failure escapes it to the caller.
  {
    if (!DefinitionIsCurrent(request.definitionPath, loaded)) {
      events.ShowError(msg::kDefinitionUpdated);
      LoadDefinition(request.definitionPath, pendants, OperationKind::Resplit, events, loaded);
      return false;
    }
    const KvrDefinition& def = loaded;
    const bool sealing = def.header.CipherKind == kSealedCipher && def.header.Encryption;
    if (def.header.CipherKind != kBlockCipher && !sealing) {
      events.ShowError(msg::kResplitOldCipher313(int{def.header.CipherKind}));
      return false;
    }
    if (!MeetsEncryptionDemand(def, request.requireEncryption, events)) return false;
    std::string pluginName;
    if (IsPluginMagic(def.header.Magic)) {
      const auto chosen = PluginFor(def, request, pendants, events);
      if (!chosen) return false;
      pluginName = *chosen;
    }
    // An encrypted set proves its password and definition before anything is written,
    // the output folder included.
    std::optional<SetCipher> cipher;
    if (sealing) {
      cipher = UnlockSet(def, request.password, events);
      if (!cipher) return false;
    }
    const auto chosenFolder = OutputFolderOf(request.definitionPath.parent_path(),
                                             request.outputFolder, events, out.folderCreated);
    if (!chosenFolder) return false;
    const std::filesystem::path& folder = *chosenFolder;
    // A refusal or a failure leaves no folder it made: the parts written there go first,
    // then the lock, then the folder, the reverse of the order they are declared in.
    const MadeFolderCleanup cleanup(folder, out.folderCreated);
    // No other operation writes or joins the set while parts of it are rebuilt.
    const std::string setName = SetNames::Of(def, request.definitionPath).LockName();
    const SetLock lock(folder, setName, SetLock::Mode::Exclusive);
    // Taking the lock may have finished a commit a killed run left: the set is what the
    // definition says now, read again.
    if (!DefinitionIsCurrent(request.definitionPath, loaded)) {
      events.ShowError(msg::kDefinitionUpdated);
      LoadDefinition(request.definitionPath, pendants, OperationKind::Resplit, events, loaded);
      return false;
    }
    // The rebuilt parts wait under hidden names and replace theirs in one commit.
    SetTransaction rebuiltParts(folder, setName);
    rebuiltParts.AddMembers(MembersOf(def, request.definitionPath, {}));
    // A stop or a failure over a set that was there publishes the parts proved before it;
    // in a folder this run made they go with the folder.
    const auto leave = [&] {
      if (!out.folderCreated) rebuiltParts.Commit(HiddenFileSync::Done);
      return false;
    };
    std::string passwordBig5;
    if (!cipher) {
      const auto password =
          PasswordFor(def, request.password, events,
                      ScrambledPasswordCheck(def, request.definitionPath.parent_path()));
      if (!password) return false;
      passwordBig5 = PasswordToBig5OrThrow(password->View());
    }
    std::optional<HelperThread> helper;
    IoBuffer sealedBuffer;
    if (sealing) helper.emplace();

    File source = File::TryOpenRead(request.source);
    if (!source.IsOpen()) {
      events.ShowError(msg::kCannotOpenSource301, MessageText::Plain(request.source.string()));
      return false;
    }
    const auto set = pendants.OpenSet(IsPluginMagic(def.header.Magic), pluginName);

    const int count = def.header.PartCount;
    std::vector<bool> chosen(static_cast<size_t>(count), !request.selected);
    if (request.selected) {
      for (int index : *request.selected) {
        if (index >= 0 && index < count) chosen[static_cast<size_t>(index)] = true;
      }
    }
    if (const auto refused = RefusedTarget(def, folder, chosen, source)) {
      events.ShowError(refused->first, MessageText::Plain(refused->second.string()));
      return false;
    }
    const auto total = static_cast<int>(std::count(chosen.begin(), chosen.end(), true));
    std::int64_t bytesTotal = 0;
    for (int index = 0; index < count; ++index) {
      if (chosen[static_cast<size_t>(index)])
        bytesTotal += def.parts[static_cast<size_t>(index)].Size;
    }
    std::int64_t bytesDone = 0;
    // Every way out from here ends the work it reports.
    OperationWork work(events, OperationKind::Resplit);
    IoBuffer buffer;
    const StopCheck stop = [&events] { return events.AbortRequested(); };
    std::int64_t offset = 0;  // where part `index` starts in the source
    bool aborted = false;
    for (int index = 0; index < count; ++index) {
      const PartRecord& rec = def.parts[static_cast<size_t>(index)];
      const std::int64_t start = offset;
      // A sealed part carries fewer source bytes than it stores.
      offset += cipher ? PlainSize(rec.Size, cipher->Params().chunkSize).value_or(0) : rec.Size;
      if (events.AbortRequested()) {
        aborted = true;
        break;
      }
      if (!chosen[static_cast<size_t>(index)]) continue;

      const std::string key =
          def.header.Protected ? passwordBig5 : ToBig5OrThrow(rec.FileName, msg::kNameOfPart);
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
        r = RebuildPart(source, buffer, folder / rec.FileName,
                        rebuiltParts.HiddenName(rec.FileName), rec, def.header.Disguised, set.get(),
                        key, trailer, stop,
                        cipher ? std::optional(Sealing{&*cipher, index, &*helper, &sealedBuffer})
                               : std::nullopt);
      } catch (const KivoraError& e) {
        // (132), (112), ...: the part could not be rebuilt; one box says so and why.
        events.ShowError(msg::kLineThenLine(msg::kResplitFailed311, e.Text()), e.Detail());
        return leave();
      }
      if (r == RebuildResult::Stopped) {
        aborted = true;
        break;
      }
      if (r == RebuildResult::Mismatch) {
        if (def.header.Disguised) {
          // One box: the run failed, and why.
          events.ShowError(msg::kLineThenLine(msg::kResplitFailed311, msg::kPasswordOrSourceWrong));
        } else {
          events.SetFileState(index, rec.FileName, FileState::Mismatch);
          events.ShowError(msg::kResplitFailed312);
        }
        return leave();
      }
      rebuiltParts.Add(rec.FileName);
      events.SetFileState(index, rec.FileName,
                          def.header.Disguised ? FileState::Redisguised : FileState::Resplit);
      ++out.rebuilt;
      bytesDone += rec.Size;
      events.Report(Progress{OperationKind::Resplit, out.rebuilt, total, bytesDone, bytesTotal});
    }
    aborted = aborted || events.AbortRequested();
    if (aborted) {
      leave();
    } else {
      rebuiltParts.Commit(HiddenFileSync::Done);
    }
    out.completed = !aborted;
    // Parts rebuilt beside the definition are its set's: say when its recovery parts are
    // short, and how to make them again.
    if (out.completed && !request.outputFolder) {
      if (auto shortfall = RecoveryShortfall(def, request.definitionPath)) {
        events.ShowError(std::move(*shortfall));
      }
    }
    return work.End(out.completed, msg::kResplitCompleted, msg::kResplitInterrupted);
  }
}

}  // namespace

ResplitOutcome RunResplit(const ResplitRequest& request, const PendantProvider& pendants,
                          OperationEvents& events) {
  ResplitOutcome outcome;
  outcome.definition = request.loaded;
  OperationResult run =
      RunOperation(events, OperationKind::Resplit, ResplitFailure(), [&](OperationEvents& guarded) {
        ResplitInto(outcome.definition, request, pendants, guarded, outcome);
      });
  static_cast<OperationResult&>(outcome) = std::move(run);
  return outcome;
}

}  // namespace kivora
