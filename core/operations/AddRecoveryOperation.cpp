#include "core/operations/AddRecoveryOperation.h"

#include <algorithm>
#include <optional>
#include <variant>

#include "core/KivoraError.h"
#include "core/format/LoadedDefinition.h"
#include "core/format/StoredDefinition.h"
#include "core/io/File.h"
#include "core/io/Folder.h"
#include "core/io/IoBuffer.h"
#include "core/operations/SetRecovery.h"
#include "core/operations/VerifyOperation.h"
#include "core/parts/SetNames.h"
#include "core/recovery/RecoveryScan.h"
#include "core/set/SetLock.h"
#include "core/set/SetMembers.h"
#include "core/set/SetTransaction.h"
#include "core/text/Messages.h"

namespace kivora {
namespace {

constexpr std::size_t kReadBytes = 1 << 20;

// The test's events passed on, without the join it offers and without its closing (the
// operation closes once): the files it finds lost or damaged, and those it finds fixable,
// are noted.
class TestOnlyEvents final : public OperationEvents {
 public:
  explicit TestOnlyEvents(OperationEvents& events) : events_(events) {}

  void Report(const OperationEvent& event) override {
    if (std::holds_alternative<Finished>(event)) return;
    if (const auto* m = std::get_if<Message>(&event); m && m->kind == MessageKind::Completion) {
      return;
    }
    if (const auto* f = std::get_if<FileStateChanged>(&event)) {
      if (f->state == FileState::Missing || f->state == FileState::Corrupt) {
        damaged_.push_back(f->name);
      } else if (f->state == FileState::Fixable) {
        fixable_.push_back(f->name);
      }
    }
    events_.Report(event);
  }
  Reply Ask(const Question& question) override {
    if (question.kind == QuestionKind::JoinAfterCleanTest ||
        question.kind == QuestionKind::JoinAfterFixableTest) {
      return {Answer::No, {}};
    }
    return events_.Ask(question);
  }
  bool AbortRequested() override { return events_.AbortRequested(); }

  const std::vector<std::string>& Damaged() const { return damaged_; }
  const std::vector<std::string>& Fixable() const { return fixable_; }

 private:
  OperationEvents& events_;
  std::vector<std::string> damaged_;
  std::vector<std::string> fixable_;
};

std::string JoinedFileNames(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

// The refusal of a set the test found a problem in: the lost or damaged files, which a
// set with recovery parts repairs first, and the fixable ones, which a join or a re-split
// fixes.
AddRecoveryOutcome Refuse(const TestOnlyEvents& test, const KvrDefinition& def,
                          const std::filesystem::path& definitionPath, OperationEvents& events) {
  std::optional<MessageText> text;
  const auto addLine = [&](MessageText line) {
    text = text ? msg::kLineThenLine(*text, line) : line;
  };
  if (!test.Damaged().empty() || test.Fixable().empty()) {
    addLine(msg::kAddRecoveryDamaged327(JoinedFileNames(test.Damaged())));
    if (!ListRecoveryParts(definitionPath, def).empty()) addLine(msg::kAddRecoveryRepairFirst);
  }
  if (!test.Fixable().empty())
    addLine(msg::kAddRecoveryFixable327(JoinedFileNames(test.Fixable())));
  events.ShowError(*text);
  events.Report(Finished{OperationKind::AddRecovery, Outcome::ProblemsFound});
  AddRecoveryOutcome out;
  out.refused = true;
  return out;
}

// How many recovery parts of `plan` a repair finds beside `definitionPath`, intact and
// agreeing with the set.
int IntactRecoveryPartsOf(const std::filesystem::path& definitionPath, const RecoveryPlan& plan,
                          const PendantProvider& pendants) {
  const std::optional<RecoverySetScan> scan = ScanRecoverySet(definitionPath, pendants);
  if (!scan || scan->header.perGroup != plan.perGroup || scan->groups.size() != plan.groups.size())
    return 0;
  int intact = 0;
  for (const RecoveryGroupScan& group : scan->groups) {
    for (int j = 0; j < plan.perGroup; ++j) intact += group.HasRecovery(j) ? 1 : 0;
  }
  return intact;
}

}  // namespace

AddRecoveryOutcome RunAddRecovery(KvrDefinition& loaded,
                                  const std::filesystem::path& definitionPath,
                                  const RecoveryAmount& amount, const PendantProvider& pendants,
                                  OperationEvents& events) {
  if (!amount.Any()) throw KivoraError(msg::kRecoveryAmountInvalid);
  const std::filesystem::path folder = SetFolderOf(definitionPath);
  // Nothing else writes the set between its test and the commit of the recovery parts.
  const SetLock lock(folder, SetNames::Of(loaded, definitionPath).LockName(),
                     SetLock::Mode::Exclusive);
  AddRecoveryOutcome out;
  const auto end = [&](bool completed) {
    out.completed = completed;
    ReportEnd(events, OperationKind::AddRecovery, completed, msg::kAddRecoveryCompleted,
              msg::kAddRecoveryInterrupted);
    return out;
  };

  // Taking the lock may have finished a commit a killed run left: the set must still be
  // the one the definition read before describes.
  if (!DefinitionIsCurrent(definitionPath, loaded)) {
    events.ShowError(msg::kDefinitionUpdated);
    events.Report(Finished{OperationKind::AddRecovery, Outcome::ProblemsFound});
    out.refused = true;
    return out;
  }

  TestOnlyEvents test(events);
  const VerifyOutcome verified = RunVerify(loaded, definitionPath, pendants, test);
  if (!verified.ran) {
    events.Report(Finished{OperationKind::AddRecovery, Outcome::ProblemsFound});
    out.refused = true;
    return out;
  }
  if (verified.aborted) return end(false);
  const KvrDefinition& def = loaded;
  if (verified.findings != std::set{PartTestResult::Ok}) {
    return Refuse(test, def, definitionPath, events);
  }

  const int count = static_cast<int>(def.parts.size());
  const RecoveryPlan plan = PlanRecovery(count, amount);
  const std::vector<WrittenRecoveryFile> old = ListRecoveryParts(definitionPath, def);
  // The definition as stored, which every recovery part copies.
  const std::vector<std::uint8_t> stored = WithMessage(
      msg::kReadPartFailed242, [&] { return ReadStoredDefinition(definitionPath).bytes; });
  const SetNames names = SetNames::Of(def, definitionPath);
  // Its recovery parts wait under the set's hidden names until the commit, and go with
  // the writer otherwise.
  SetTransaction change(folder, names.LockName());
  RecoveryWriter writer(
      plan, RecoverySetInfoOf(names, plan.RecoveryCount(), def.header, def.implanted, count),
      change);
  events.Report(WorkStarted{});
  const StopCheck stop = [&events] { return events.AbortRequested(); };
  IoBuffer buffer(kReadBytes);
  for (int i = 0; i < count; ++i) {
    const auto path = folder / def.parts[static_cast<size_t>(i)].FileName;
    if (!FeedPartFile(writer, def.parts[static_cast<size_t>(i)], def.header.Disguised, i, path,
                      buffer, stop)) {
      return end(false);
    }
    events.Report(Progress{OperationKind::AddRecovery, i + 1, count});
  }
  if (StopRequested(stop) || !writer.Finish(stored, stop)) return end(false);
  out.written = writer.Written();
  // The new recovery parts take their names and the old ones the new plan does not name
  // go in one commit: a kill at any instant leaves the old recovery parts or the new ones.
  std::vector<std::string> oldNames, newNames;
  for (const WrittenRecoveryFile& w : out.written) newNames.push_back(NameText(w.path));
  for (const WrittenRecoveryFile& f : old) {
    oldNames.push_back(NameText(f.path));
    if (std::find(newNames.begin(), newNames.end(), oldNames.back()) != newNames.end()) continue;
    change.Remove(oldNames.back());
    out.removed.push_back(f.path);
  }
  change.AddMembers(MembersOf(def, definitionPath, std::move(oldNames)));
  change.AddMembers(MembersOf(def, definitionPath, std::move(newNames)));
  writer.HandOver();
  WithMessage(msg::kWriteRecoveryFailed, [&] { change.Commit(HiddenFileSync::FileSystem); });
  ReportRecoveryFiles(events, out.written);
  // Completed only when a repair can use what was written.
  const int intact = IntactRecoveryPartsOf(definitionPath, plan, pendants);
  if (intact != plan.RecoveryCount())
    throw KivoraError(msg::kRecoveryPartsShort(plan.RecoveryCount(), intact));
  return end(true);
}

}  // namespace kivora
