#include "core/operations/AddRecoveryOperation.h"

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <variant>

#include "core/KivoraError.h"
#include "core/format/LoadedDefinition.h"
#include "core/format/StoredDefinition.h"
#include "core/io/File.h"
#include "core/io/Folder.h"
#include "core/io/IoBuffer.h"
#include "core/operations/EngineCall.h"
#include "core/operations/SetRecovery.h"
#include "core/operations/TestOperation.h"
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
// operation closes once).
class TestOnlyEvents final : public OperationEvents {
 public:
  explicit TestOnlyEvents(OperationEvents& events) : events_(events) {}

  void Report(const OperationEvent& event) override {
    if (std::holds_alternative<Finished>(event)) return;
    if (const auto* m = std::get_if<Message>(&event); m && m->kind == MessageKind::Completion) {
      return;
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

 private:
  OperationEvents& events_;
};

// The names of the parts the test found `wanted`, in index order.
std::vector<std::string> PartsFound(const TestOutcome& test,
                                    std::initializer_list<PartTestResult> wanted) {
  std::vector<std::string> names;
  for (size_t i = 0; i < test.parts.size(); ++i) {
    const std::optional<PartTestResult>& found = test.parts[i];
    if (found && std::find(wanted.begin(), wanted.end(), *found) != wanted.end()) {
      names.push_back(test.definition.parts[i].FileName);
    }
  }
  return names;
}

std::string JoinedFileNames(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}

// The refusal of a set the test found a problem in: the lost or damaged files, which a
// set with recovery parts repairs first, and the fixable ones, which a join or a re-split
// fixes.
void Refuse(const TestOutcome& test, const std::filesystem::path& definitionPath,
            OperationEvents& events, AddRecoveryOutcome& out) {
  const std::vector<std::string> damaged =
      PartsFound(test, {PartTestResult::Missing, PartTestResult::Corrupt});
  const std::vector<std::string> fixable = PartsFound(test, {PartTestResult::Fixable});
  std::optional<MessageText> text;
  const auto addLine = [&](const MessageText& line) {
    text = text ? msg::kLineThenLine(*text, line) : line;
  };
  if (!damaged.empty() || fixable.empty()) {
    addLine(msg::kAddRecoveryDamaged327(JoinedFileNames(damaged)));
    if (!ListRecoveryParts(definitionPath, test.definition).empty())
      addLine(msg::kAddRecoveryRepairFirst);
  }
  if (!fixable.empty()) addLine(msg::kAddRecoveryFixable327(JoinedFileNames(fixable)));
  events.ShowError(*text);
  events.Report(Finished{OperationKind::AddRecovery, Outcome::ProblemsFound});
  out.refused = true;
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

// Adds the recovery parts of the request's set, into `out`.
void AddRecoveryInto(const AddRecoveryRequest& request, const PendantProvider& pendants,
                     OperationEvents& events, AddRecoveryOutcome& out) {
  const RecoveryAmount& amount = request.amount;
  const std::filesystem::path& definitionPath = request.definitionPath;
  if (!amount.Any()) throw KivoraError(msg::kRecoveryAmountInvalid);
  const std::filesystem::path folder = SetFolderOf(definitionPath);
  // Nothing else writes the set between its test and the commit of the recovery parts.
  const SetLock lock(folder, SetNames::Of(request.loaded, definitionPath).LockName(),
                     SetLock::Mode::Exclusive);
  const auto end = [&](bool completed) {
    out.completed = completed;
    ReportEnd(events, OperationKind::AddRecovery, completed, msg::kAddRecoveryCompleted,
              msg::kAddRecoveryInterrupted);
  };

  // Taking the lock may have finished a commit a killed run left: the set must still be
  // the one the definition read before describes.
  if (!DefinitionIsCurrent(definitionPath, request.loaded)) {
    events.ShowError(msg::kDefinitionUpdated);
    events.Report(Finished{OperationKind::AddRecovery, Outcome::ProblemsFound});
    out.refused = true;
    return;
  }

  // The test offers no join here: add-recovery only tests.
  TestOnlyEvents test(events);
  TestRequest testing{.definitionPath = definitionPath, .loaded = request.loaded};
  const TestOutcome verified = TestSet(testing, pendants, test);
  out.definition = verified.definition;
  if (!verified.ran) {
    events.Report(Finished{OperationKind::AddRecovery, Outcome::ProblemsFound});
    out.refused = true;
    return;
  }
  if (verified.aborted) return end(false);
  const KvrDefinition& def = verified.definition;
  if (verified.findings != std::set{PartTestResult::Ok})
    return Refuse(verified, definitionPath, events, out);

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
  end(true);
}

}  // namespace

AddRecoveryOutcome RunAddRecovery(const AddRecoveryRequest& request,
                                  const PendantProvider& pendants, OperationEvents& events) {
  AddRecoveryOutcome outcome;
  outcome.definition = request.loaded;
  OperationResult run = RunOperation(
      events, OperationKind::AddRecovery, AddRecoveryFailure(),
      [&](OperationEvents& guarded) { AddRecoveryInto(request, pendants, guarded, outcome); });
  static_cast<OperationResult&>(outcome) = std::move(run);
  return outcome;
}

}  // namespace kivora
