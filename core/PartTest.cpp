#include "core/PartTest.h"

#include "core/KivoraError.h"
#include "core/LoadedDefinition.h"
#include "core/Messages.h"

namespace kivora {
namespace {

FileState StateOf(PartTestResult t) {
  switch (t) {
    case PartTestResult::Ok:
      return FileState::Ok;
    case PartTestResult::Missing:
      return FileState::Missing;
    case PartTestResult::Corrupt:
      return FileState::Corrupt;
    case PartTestResult::Fixable:
      break;
  }
  return FileState::Fixable;
}

}  // namespace

TestOutcome RunTest(KvrDefinition& loaded, const std::filesystem::path& definitionPath,
                    const PendantProvider& pendants, OperationEvents& events) {
  TestOutcome outcome;
  if (!RefreshIfChanged(definitionPath, pendants, events, loaded)) return outcome;
  outcome.ran = true;
  const KvrDefinition& def = loaded;
  events.Report(WorkStarted{});
  events.Report(FilesCleared{});
  outcome.findings = {PartTestResult::Ok};

  std::vector<std::uint8_t> buffer;
  const StopCheck stop = [&events] { return events.AbortRequested(); };
  const int count = def.header.PartCount;
  try {
    for (int index = 0; index < count && !outcome.aborted; ++index) {
      const TKvrFileData& rec = def.parts[static_cast<size_t>(index)];
      const std::optional<PartTestResult> t =
          events.AbortRequested()
              ? std::nullopt
              : TestPart(def, index, definitionPath.parent_path() / rec.FileName, buffer, stop);
      if (!t) {
        outcome.aborted = true;
        break;
      }
      events.SetFileState(index, rec.FileName, StateOf(*t));
      outcome.findings.insert(*t);
      events.Report(Progress{OperationKind::Test, index + 1, count});
    }
  } catch (const KivoraError& e) {
    // A part that cannot be read ends the test without a closing message.
    events.ShowError(e.what(), e.Detail());
    outcome.aborted = true;
    return outcome;
  }
  events.Report(WorkEnded{});
  if (outcome.aborted || events.AbortRequested()) {
    outcome.aborted = true;
    events.Report(Finished{OperationKind::Test, Outcome::Interrupted});
    return outcome;
  }

  Outcome end = Outcome::Completed;
  if (outcome.HasErrors()) {
    events.ShowCompletion(msg::kTestFoundErrors);
    end = Outcome::ProblemsFound;
  } else if (outcome.findings.contains(PartTestResult::Fixable)) {
    outcome.joinRequested = events.AskYesNo(QuestionKind::JoinAfterFixableTest,
                                            msg::kTestFixableQuestion) == Answer::Yes;
    if (!outcome.joinRequested) end = Outcome::ProblemsFound;
  } else {
    outcome.joinRequested = events.AskYesNo(QuestionKind::JoinAfterCleanTest,
                                            msg::kTestNoProblemQuestion) == Answer::Yes;
  }
  events.Report(Finished{OperationKind::Test, end});
  return outcome;
}

}  // namespace kivora
