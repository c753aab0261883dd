#include "core/operations/RepairOperation.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "core/KivoraError.h"
#include "core/format/DefinitionReader.h"
#include "core/io/AtomicFile.h"
#include "core/io/Crc32.h"
#include "core/io/File.h"
#include "core/io/IoBuffer.h"
#include "core/operations/EngineCall.h"
#include "core/operations/SetProtection.h"
#include "core/operations/SetRecovery.h"
#include "core/parts/SealedPartProof.h"
#include "core/parts/SetNames.h"
#include "core/recovery/GroupRebuild.h"
#include "core/recovery/RecoveryScan.h"
#include "core/recovery/StripeCrcs.h"
#include "core/set/SetLock.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/text/GroupThousands.h"
#include "core/text/Messages.h"
#include "core/threads/OrderedParallelFor.h"

namespace kivora {
namespace {

FileState LostState(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec) ? FileState::Corrupt : FileState::Missing;
}

// The names the repair's commits may touch: the set's parts, definition and recovery parts.
SetMembers MembersOfScan(const RecoverySetScan& scan) {
  std::vector<std::string> recovery;
  const int count = static_cast<int>(scan.header.groupCount) * scan.header.perGroup;
  recovery.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int j = 0; j < count; ++j) recovery.push_back(NameText(scan.RecoveryPath(j)));
  return MembersOf(scan.definition, scan.DefinitionPath(), std::move(recovery));
}

RepairOutcome Summarize(const std::optional<RecoverySetScan>& scan) {
  RepairOutcome out;
  if (!scan) return out;
  out.found = true;
  out.damaged = scan->Damaged();
  out.rebuildable = scan->Rebuildable();
  out.unauthentic = scan->unauthentic;
  out.partsRebuildable = true;
  for (const RecoveryGroupScan& g : scan->groups) {
    if (g.LostParts() > 0 && !g.PartsRebuildable()) out.partsRebuildable = false;
  }
  out.completed = out.rebuildable == out.damaged;
  return out;
}

void ListFiles(const RecoverySetScan& scan, OperationEvents& events) {
  for (const RecoveryGroupScan& g : scan.groups) {
    for (int i = 0; i < g.parts.partCount; ++i) {
      const int part = g.parts.firstPart + i;
      const std::filesystem::path path = scan.PartPath(part);
      events.SetFileState(part, path.filename().string(),
                          g.PartUsable(i) ? FileState::Ok : LostState(path));
    }
  }
  for (const RecoveryGroupScan& g : scan.groups) {
    const int first = static_cast<int>(&g - scan.groups.data()) * scan.header.perGroup;
    for (int j = 0; j < static_cast<int>(g.recovery.size()); ++j) {
      const int index = first + j;
      const std::filesystem::path path = scan.RecoveryPath(index);
      events.SetFileState(FileRole::Recovery(index), path.filename().string(),
                          g.HasRecovery(j) ? FileState::Ok : LostState(path));
    }
  }
  if (!scan.header.implanted) {
    events.SetFileState(FileRole::Definition(), scan.header.definitionName,
                        scan.definitionLost ? LostState(scan.DefinitionPath()) : FileState::Ok);
  }
}

// One line per group that cannot get back all it lost: its parts (when `parts`), else
// its recovery parts.
MessageText LostGroups(const RecoverySetScan& scan, bool parts) {
  MessageText text;
  for (size_t g = 0; g < scan.groups.size(); ++g) {
    const RecoveryGroupScan& group = scan.groups[g];
    const int number = static_cast<int>(g) + 1;
    MessageText line;
    const auto overloaded = group.FirstOverloadedStripe();
    if (parts && group.LostParts() > 0 && overloaded) {
      // Which bytes of the group's files hold more damage than its recovery parts carry.
      const auto at = [](std::uint64_t offset) {
        return GroupThousands(static_cast<std::int64_t>(offset));
      };
      line = msg::kRepairGroupLost(
          number, at(overloaded->begin), at(std::max(overloaded->end, overloaded->begin + 1) - 1),
          overloaded->damagedShards, static_cast<int>(scan.header.perGroup));
    } else if (!parts && group.LostRecovery() > 0 && !group.RecoveryRebuildable()) {
      line = msg::kRepairGroupRecoveryLost(number, group.LostRecovery());
    }
    if (line.empty()) continue;
    text = text.empty() ? line : msg::kLineThenLine(text, line);
  }
  // Recovery parts that cannot be rebuilt can be written anew from the parts.
  if (!parts && !text.empty()) {
    text = msg::kLineThenLine(
        text, AddRecoveryHint(scan.DefinitionPath(), static_cast<int>(scan.header.partCount),
                              static_cast<int>(scan.header.groupCount), scan.header.perGroup));
  }
  return text;
}

void ReportIgnored(const std::vector<std::filesystem::path>& ignored, OperationEvents& events) {
  if (ignored.empty()) return;
  std::string names;
  for (const std::filesystem::path& p : ignored) {
    if (!names.empty()) names += ", ";
    names += p.filename().string();
  }
  events.ShowError(msg::kRepairIgnored325, MessageText::Plain(names));
}

// The closing of a repair that leaves files lost: what stays lost, said once.
RepairOutcome EndWithLosses(const RecoverySetScan& scan, RepairOutcome out,
                            OperationEvents& events) {
  events.Report(WorkEnded{});
  events.ShowError(msg::kRepairStaysLost326, LostGroups(scan, false));
  events.Report(Finished{OperationKind::Repair, Outcome::ProblemsFound});
  out.completed = false;
  return out;
}

// The cipher a scan proves the parts with: the one given, or none.
PartCipher GivenCipher(const SetCipher* cipher) {
  if (!cipher) return {};
  return [cipher](const KvrDefinition&) -> std::optional<const SetCipher*> { return cipher; };
}

// RunRepair, whose scan takes the cipher from `cipherFor`; the rebuilt parts prove their
// chunks with the same one.
RepairOutcome Repair(const std::filesystem::path& definition, bool dryRun,
                     const PendantProvider& pendants, OperationEvents& events,
                     const PartCipher& cipherFor) {
  events.Report(WorkStarted{});
  events.Report(FilesCleared{});
  const StopCheck stop = [&events] { return events.AbortRequested(); };
  RepairOutcome out;
  const auto end = [&](bool completed) {
    out.completed = completed;
    ReportEnd(events, OperationKind::Repair, completed, msg::kRepairCompleted,
              msg::kRepairInterrupted);
    return out;
  };
  // A repair holds the set alone from before its scan: taking the lock may finish a
  // commit a killed operation left, which the scan must see. A definition that does not
  // read (a repair may rebuild it) is locked once the scan has found the set's name.
  std::optional<SetLock> lock;
  if (!dryRun) {
    std::optional<KvrDefinition> read;
    try {
      read = ReadDefinition(definition, pendants);
    } catch (const KivoraError&) {
    }
    if (read) {
      lock.emplace(SetFolderOf(definition), SetNames::Of(*read, definition).LockName(),
                   SetLock::Mode::Exclusive);
    }
  }
  std::vector<std::filesystem::path> ignored;
  const SetCipher* cipher = nullptr;
  PartCipher remembered;
  if (cipherFor) {
    remembered = [&](const KvrDefinition& def) {
      const std::optional<const SetCipher*> given = cipherFor(def);
      if (given) cipher = *given;
      return given;
    };
  }
  const std::optional<RecoverySetScan> scan =
      ScanRecoverySet(definition, pendants, stop, &ignored, remembered);
  ReportIgnored(ignored, events);
  if (!scan) {
    events.ShowError(msg::kRepairNoRecovery322, MessageText::Plain(definition.string()));
    return end(false);
  }
  if (scan->stopped || scan->refused) {
    out.found = scan->refused;  // the recovery parts were found before the password failed
    return end(false);
  }
  out = Summarize(scan);
  ListFiles(*scan, events);
  if (!out.partsRebuildable) {
    // The set keeps problems the repair cannot put right, as one that leaves files lost.
    events.ShowError(msg::kRepairTooManyLost321, LostGroups(*scan, true));
    events.Report(WorkEnded{});
    events.Report(Finished{OperationKind::Repair, Outcome::ProblemsFound});
    out.completed = false;
    return out;
  }
  if (out.damaged == 0) {
    events.Report(WorkEnded{});
    events.ShowCompletion(msg::kRepairNothingToDo);
    events.Report(Finished{OperationKind::Repair, Outcome::Completed});
    return out;
  }
  if (dryRun) {
    if (!out.completed) return EndWithLosses(*scan, out, events);
    events.Report(WorkEnded{});
    events.ShowCompletion(msg::kRepairAllPossible(out.damaged));
    events.Report(Finished{OperationKind::Repair, Outcome::Completed});
    return out;
  }

  // No other operation writes or joins the set while files of it are rebuilt.
  const std::string setName = SetNames::Of(scan->definition, scan->DefinitionPath()).LockName();
  if (!lock) {
    lock.emplace(scan->folder, setName, SetLock::Mode::Exclusive);
    // Taking the lock finished a commit a killed run left: the scan is of the set before.
    if (lock->Finished().outcome == InterruptedCommit::Outcome::RolledForward) {
      events.ShowError(msg::kDefinitionUpdated);
      return end(false);
    }
  }
  const SetMembers members = MembersOfScan(*scan);
  // Groups are rebuilt two at a time, each thread with stripe buffers of its own. The
  // calling thread commits the files of finished groups, a group at a time and in group
  // order, and reports them once they have their names; a group that failed or stopped
  // counts as finished with nothing written, so the groups rebuilt after it are committed
  // too. Once a commit failed none follows: its journal waits for the set's recovery.
  const int groups = static_cast<int>(scan->groups.size());
  bool commitFailed = false;
  std::vector<GroupStripes> stripes(kWorkThreads);
  // Groups are rebuilt side by side; a group rebuilt alone reads on both threads.
  const auto damagedGroups = std::count_if(
      scan->groups.begin(), scan->groups.end(),
      [](const RecoveryGroupScan& g) { return g.LostParts() + g.LostRecovery() > 0; });
  const int readThreads = damagedGroups == 1 ? kWorkThreads : 1;
  SharedStop stopped(stop);
  if (stopped.Check(0)) return end(false);  // before the helper starts a group
  OrderedParallelFor<std::optional<RebuiltGroup>>(
      groups,
      [&](int g, int thread) -> std::optional<RebuiltGroup> {
        std::optional<RebuiltGroup> rows;
        if (!stopped.Check(thread)) {
          rows = RebuildGroup(*scan, g, setName, members, stripes[static_cast<size_t>(thread)],
                              readThreads, cipher, stopped.For(thread));
        }
        if (!rows) stopped.Raise();
        return rows;
      },
      [&](int, std::optional<RebuiltGroup>& group) {
        if (!group || group->files.empty() || commitFailed) return true;
        commitFailed = true;
        WithMessage(msg::kRepairWriteFailed324,
                    [&] { group->commit->Commit(HiddenFileSync::Done); });
        commitFailed = false;
        for (const FileRole& file : group->files) {
          const std::filesystem::path path = file.kind == FileRole::Kind::Part
                                                 ? scan->PartPath(file.number)
                                                 : scan->RecoveryPath(file.number);
          events.SetFileState(file, path.filename().string(), FileState::Rebuilt);
          events.Report(Progress{OperationKind::Repair, ++out.rebuilt, out.rebuildable});
        }
        return true;
      },
      &stopped);
  if (stopped.Raised()) return end(false);
  // The definition takes its name after every part it names.
  if (scan->definitionLost) {
    WithMessage(msg::kRepairWriteFailed324, [&] {
      SetTransaction commit(scan->folder, setName);
      commit.AddMembers(members);
      const std::string name = NameText(scan->DefinitionPath());
      AtomicFile file(scan->DefinitionPath());
      file.Write(scan->definitionCopy);
      file.CommitHidden(commit.HiddenName(name));
      commit.Add(name);
      commit.Commit(HiddenFileSync::Done);
    });
    events.SetFileState(FileRole::Definition(), scan->header.definitionName, FileState::Rebuilt);
    events.Report(Progress{OperationKind::Repair, ++out.rebuilt, out.rebuildable});
  }
  if (!out.completed) return EndWithLosses(*scan, out, events);
  return end(true);
}

}  // namespace

RepairOutcome AssessRecovery(const std::filesystem::path& definition,
                             const PendantProvider& pendants, const StopCheck& stop,
                             const SetCipher* cipher) {
  const std::optional<RecoverySetScan> scan =
      ScanRecoverySet(definition, pendants, stop, nullptr, GivenCipher(cipher));
  if (scan && scan->stopped) return {};
  return Summarize(scan);
}

RepairOutcome RunRepair(const RepairRequest& request, const PendantProvider& pendants,
                        OperationEvents& events) {
  std::optional<SetCipher> cipher;
  RepairOutcome outcome;
  OperationResult run =
      RunOperation(events, OperationKind::Repair, RepairFailure(), [&](OperationEvents& guarded) {
        PartCipher unlock;
        if (request.password && !request.password->empty()) {
          // The set's definition, as the scan found it, proves the password before any part
          // is read.
          unlock = [&](const KvrDefinition& def) -> std::optional<const SetCipher*> {
            if (def.header.CipherKind != kSealedCipher || !def.header.Encryption) return nullptr;
            cipher = UnlockSet(def, request.password, guarded);
            if (!cipher) return std::nullopt;
            return &*cipher;
          };
        }
        outcome = Repair(request.definition, request.dryRun, pendants, guarded, unlock);
      });
  static_cast<OperationResult&>(outcome) = std::move(run);
  return outcome;
}

RepairOutcome RepairWithCipher(const std::filesystem::path& definition,
                               const PendantProvider& pendants, OperationEvents& events,
                               const SetCipher* cipher) {
  return Repair(definition, false, pendants, events, GivenCipher(cipher));
}

bool OfferRepair(const std::filesystem::path& definition, const PendantProvider& pendants,
                 OperationEvents& events, const SetCipher* cipher) {
  bool completed = false;
  RunOperation(events, OperationKind::Repair, RepairFailure(), [&](OperationEvents& guarded) {
    const StopCheck stop = [&guarded] { return guarded.AbortRequested(); };
    const RepairOutcome assessed = AssessRecovery(definition, pendants, stop, cipher);
    if (!assessed.found || assessed.damaged == 0) return;
    if (assessed.rebuildable == 0 || !assessed.partsRebuildable) {
      guarded.ShowCompletion(msg::kRepairPartlyPossible(assessed.damaged, assessed.rebuildable));
      return;
    }
    if (guarded.AskYesNo(QuestionKind::RepairFromRecovery, msg::kRepairQuestion) != Answer::Yes) {
      return;
    }
    completed = Repair(definition, false, pendants, guarded, GivenCipher(cipher)).completed;
  });
  return completed;
}

}  // namespace kivora
